#include "pictures/picture_commands.h"

#include "bank/bank_grammar.h"
#include "base/text.h"
#include "reader/reader.h"

namespace qatutor {
namespace {

inline constexpr double pictureCentre = pictureUnits / 2;
inline constexpr double largestRadius = pictureUnits / 2;

}  // namespace

void cmdCopyPicture(Host& host) {
    host.copyPictureToClipboard(PictureBox::picture1);
    host.pastePictureFromClipboard(PictureBox::picture2);
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

bool nextPictureEndsRun(const Session& session) {
    int cursor = session.lineCursor;
    for (int k = 1; k <= 2 && cursor + k <= lastBankIndex; ++k) {
        const std::string& line = session.bank.at(cursor + k);
        if (!isRoutineLine(line)) continue;
        if (routineEndsProgram(toLower(remSpaces(routineNameOf(line))))) return true;
        cursor += k;
    }
    return false;
}

void cmdPendExp(Host& host) { host.enableTimer(); }

void timerTick(Host& host) {
    host.beep();
    const double radius = static_cast<double>(host.nextRandom()) * largestRadius;
    host.drawCircle(PictureBox::picture1, pictureCentre, pictureCentre, radius);
}

}  // namespace qatutor
