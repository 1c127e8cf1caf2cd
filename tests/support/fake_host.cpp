#include "support/fake_host.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sstream>

#include "host/clock_text.h"

namespace qatutor::testing {

// The drive c: is the temporary folder too, on Windows not the real drive.
FakeHost::FakeHost() : LocalHost(home.path(), home.path()) {}

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
    namespace chrono = std::chrono;
    const chrono::sys_seconds at = chrono::sys_days{chrono::year{2026} / chrono::December / 1} +
                                   chrono::hours{14} + chrono::minutes{5} +
                                   chrono::seconds{clockReads++ * (86400LL + 1)};
    const chrono::sys_days day = chrono::floor<chrono::days>(at);
    const chrono::year_month_day date{day};
    const chrono::hh_mm_ss<chrono::seconds> time{at - day};
    std::tm reading{};
    reading.tm_year = static_cast<int>(date.year()) - 1900;
    reading.tm_mon = static_cast<int>(static_cast<unsigned>(date.month())) - 1;
    reading.tm_mday = static_cast<int>(static_cast<unsigned>(date.day()));
    reading.tm_hour = static_cast<int>(time.hours().count());
    reading.tm_min = static_cast<int>(time.minutes().count());
    reading.tm_sec = static_cast<int>(time.seconds().count());
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
    return const_cast<FakeHost*>(this)->LocalHost::realPath(programPath);
}

}  // namespace qatutor::testing
