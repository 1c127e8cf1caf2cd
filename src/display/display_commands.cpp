#include "display/display_commands.h"

#include "host/channel_guard.h"

namespace qatutor {

void cmdClearAnswerBox(Host& host) { host.setBoxText(TextBox::answer, ""); }

bool cmdDisplayNoteFile(Host& host, Session& session) {
    host.closeFile(notesChannel);
    if (!host.fileExists(session.notesFilePath)) return false;
    host.openFile(notesChannel, session.notesFilePath, FileMode::input);
    ChannelGuard guard(host, {notesChannel});
    session.workText.clear();
    while (!host.atEnd(notesChannel)) session.workText += host.readLine(notesChannel);
    host.setBoxText(TextBox::question, host.boxText(TextBox::question) + session.workText);
    return true;
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

}  // namespace qatutor
