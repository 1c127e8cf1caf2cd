#include "records/display_commands.h"

#include "bank/bank_grammar.h"
#include "bank/reader.h"
#include "host/channel_guard.h"

namespace qatutor {
namespace {

inline constexpr double pictureCentre = 500;
inline constexpr double largestRadius = 500;

}  // namespace

void cmdClearAnswerBox(Host& host) { host.setBoxText(TextBox::answer, ""); }

void cmdCopyPicture(Host& host) {
    host.copyPictureToClipboard(PictureBox::picture1);
    host.pastePictureFromClipboard(PictureBox::picture2);
}

void cmdDisplayNoteFile(Host& host, Session& session) {
    host.closeFile(notesChannel);
    if (!host.fileExists(session.notesFilePath)) return;
    host.openFile(notesChannel, session.notesFilePath, FileMode::input);
    ChannelGuard guard(host, {notesChannel});
    session.workText.clear();
    while (!host.atEnd(notesChannel)) session.workText += host.readLine(notesChannel);
    host.setBoxText(TextBox::question, host.boxText(TextBox::question) + session.workText);
}

void cmdDisplayCumulativeText(Host& host, Session& session) {
    if (!host.fileExists(session.sendFilePath)) return;
    host.openFile(sendDisplayChannel, session.sendFilePath, FileMode::input);
    ChannelGuard guard(host, {sendDisplayChannel});
    // Built in one pass, then shown once: the same text as adding the lines one by one.
    std::string text = host.boxText(TextBox::question);
    while (!host.atEnd(sendDisplayChannel)) {
        text += "\r\n";
        text += host.readLine(sendDisplayChannel);
    }
    host.setBoxText(TextBox::question, text);
}

void cmdNextPicture(Host& host, Session& session) {
    for (int k = 1; k <= 2; ++k) {
        const std::string& line = session.bank.at(session.lineCursor + k);
        if (isRoutineLine(line)) {
            runRoutine(host, toLower(remSpaces(routineNameOf(line))));
            session.lineCursor += k;
        }
    }
}

void cmdPendExp(Host& host) { host.enableTimer(); }

void timerTick(Host& host) {
    host.beep();
    const double radius = static_cast<double>(host.nextRandom()) * largestRadius;
    host.drawCircle(PictureBox::picture1, pictureCentre, pictureCentre, radius);
}

void cmdQuit(Host& host) {
    host.endProgram();
    throw ProgramEnded{};   // a host's endProgram never returns; this keeps the promise here too
}

}  // namespace qatutor
