#include "support/fake_host.h"

#include <gtest/gtest.h>

#include <sstream>

#include "host/clock_text.h"
#include "host/path_mapping.h"

namespace qatutor::testing {

FakeHost::FakeHost() : LocalHost(home.path()) {}

std::string FakeHost::prompt(const std::string& text) {
    prompts_.push_back(text);
    if (replies_.empty()) {
        ADD_FAILURE() << "no reply queued for the prompt: " << text;
        return "";
    }
    std::string reply = std::move(replies_.front());
    replies_.pop_front();
    return reply;
}

void FakeHost::setBoxText(TextBox box, const std::string& text) {
    if (box == TextBox::question) {
        question = text;
    } else {
        answer = text;
        ++answerBoxSets;
    }
}

std::tm FakeHost::nextClockReading() {
    std::tm start{};
    start.tm_year = 2026 - 1900;
    start.tm_mon = 11;
    start.tm_mday = 1;
    start.tm_hour = 14;
    start.tm_min = 5;
    const std::time_t at = ::timegm(&start) + static_cast<std::time_t>(clockReads++) * (86400 + 1);
    std::tm reading{};
    ::gmtime_r(&at, &reading);
    return reading;
}

std::string FakeHost::dateText() {
    return clockMoves ? qatutor::dateText(nextClockReading()) : date;
}

std::string FakeHost::timeText() {
    return clockMoves ? qatutor::timeText(nextClockReading()) : time;
}

float FakeHost::nextRandom() {
    if (randoms_.empty()) return LocalHost::nextRandom();
    const float value = randoms_.front();
    randoms_.pop_front();
    return value;
}

namespace {
const char* boxName(PictureBox box) {
    return box == PictureBox::picture1 ? "Picture1" : "Picture2";
}
}  // namespace

void FakeHost::setPictureScale(PictureBox box, double width, double height) {
    std::ostringstream event;
    event << "scale " << boxName(box) << ' ' << width << 'x' << height;
    events.push_back(event.str());
}

void FakeHost::drawCircle(PictureBox box, double x, double y, double radius) {
    std::ostringstream event;
    event << "circle " << boxName(box) << ' ' << x << ',' << y << " r=" << radius;
    events.push_back(event.str());
}

void FakeHost::copyPictureToClipboard(PictureBox box) {
    events.push_back(std::string("copy ") + boxName(box));
}

void FakeHost::pastePictureFromClipboard(PictureBox box) {
    events.push_back(std::string("paste ") + boxName(box));
}

void FakeHost::endProgram() {
    ended = true;
    closeAllFiles();
    throw ProgramEnded{};
}

std::string FakeHost::local(const std::string& programPath) const {
    return localPath(programPath, homeFolder());
}

}  // namespace qatutor::testing
