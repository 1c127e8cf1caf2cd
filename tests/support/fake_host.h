// A host for tests: scripted prompt replies, a fixed clock (or one that moves on at each read),
// the run's real generator (or scripted random values), the real file channels on a temporary
// home folder, and a log of what the tutor did to the window.
#pragma once

#include <ctime>
#include <deque>
#include <string>
#include <vector>

#include "host/local_host.h"
#include "support/temp_folder.h"

namespace qatutor::testing {

// Holds the temporary home folder so that it exists before LocalHost is built on it.
struct FakeHome {
    TempFolder home;
};

class FakeHost : private FakeHome, public LocalHost {
public:
    using FakeHome::home;

    FakeHost();

    // Replies for the coming prompts, in order; a folder reply is UTF-8, as the student typed it.
    // A prompt with no reply queued fails the test.
    void queuePromptReply(std::string reply) { replies_.push_back(std::move(reply)); }
    // The prompts shown so far.
    const std::vector<std::string>& prompts() const { return prompts_; }

    // Fixed clock.
    std::string date = "12-07-2026";
    std::string time = "14:05:09";
    float seconds = 50709.0f;
    // A clock that moves on instead: each read of the date or the time text is one day and one
    // second after the read before it, so that no two reads give the same text. It starts on
    // 1 December 2026 at 14:05:00, and `clockReads` counts the reads.
    bool clockMoves = false;
    int clockReads = 0;

    // Random values returned before the real generator's, in order.
    void queueRandom(float value) { randoms_.push_back(value); }

    std::string question;
    std::string answer = " ";

    std::string prompt(const std::string& text) override;
    std::string boxText(TextBox box) override {
        return box == TextBox::question ? question : answer;
    }
    void setBoxText(TextBox box, const std::string& text) override;
    std::string dateText() override;
    std::string timeText() override;
    float secondsSinceMidnight() override { return seconds; }
    float nextRandom() override;
    void beep() override { ++beeps; }
    void setPictureScale(PictureBox box, double width, double height) override;
    void drawCircle(PictureBox box, double x, double y, double radius) override;
    void copyPictureToClipboard(PictureBox box) override;
    void pastePictureFromClipboard(PictureBox box) override;
    void enableTimer() override { timerEnabled = true; }
    void showMessage(const std::string& text) override { messages.push_back(text); }
    [[noreturn]] void endProgram() override;

    // What the tutor did.
    int beeps = 0;
    bool timerEnabled = false;
    bool ended = false;
    int answerBoxSets = 0;
    std::vector<std::string> events;  // pictures, scales, circles, in order
    std::vector<std::string> messages;

    // The real path of a program path such as c:\kavrodel\x.txt.
    std::string local(const std::string& programPath) const;

private:
    std::deque<std::string> replies_;
    std::vector<std::string> prompts_;
    std::deque<float> randoms_;

    std::tm nextClockReading();
};

}  // namespace qatutor::testing
