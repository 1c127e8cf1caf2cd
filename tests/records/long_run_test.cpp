// A long scripted session: thousands of clicks, record files equal to a layout computed here
// independently, and memory that stays flat.
#include <gtest/gtest.h>

#include <fstream>

#include "base/numbers.h"
#include "reader/reader.h"
#include "records/records.h"
#include "records/startup.h"
#include "support/fake_host.h"
#include "support/fixture_bank.h"

namespace qatutor::testing {
namespace {

long residentKilobytes() {
    std::ifstream status("/proc/self/status");
    std::string key;
    long value = 0;
    while (status >> key) {
        if (key == "VmRSS:") {
            status >> value;
            return value;
        }
        status.ignore(1 << 12, '\n');
    }
    return 0;
}

std::string pad(std::string text, std::size_t column) {
    text.resize(std::max(text.size(), column - 1), ' ');
    return text;
}

TEST(LongRun, ThousandsOfClicksKeepTheLayoutExact) {
    std::vector<std::string> lines = {"001.  Long", ""};
    const int questions = 999;
    for (int q = 1; q <= questions; ++q) {
        const std::string number = padNumber(std::to_string(q));
        lines.push_back("`q" + number + ".  Question " + std::to_string(q));
        lines.push_back("`aAnswer " + std::to_string(q) + "{}done");
    }
    lines.push_back("002.");

    FakeHost host;
    Session session;
    for (const char* reply : {"Long Runner", "", "1"}) host.queuePromptReply(reply);
    startUp(host, session, piecesOf(lines));
    const std::string masterPath = host.home.file("kavrodel/masterFile_Long_Runner.txt");
    const std::string sendPath = host.home.file("kavrodel/send_1207Long_Runner.txt");
    std::string master = readFile(masterPath);
    std::string send = readFile(sendPath);
    std::string notes;

    const std::string crlf = "\r\n";
    const std::string timeLine = pad(pad(std::string(36, ' '), 43), 57) + host.time + crlf;
    const std::string dateTimeLine =
        pad(pad(std::string(36, ' '), 43) + host.date, 57) + host.time + crlf;
    const std::string separator = "......!!!!!!!!..................................." + crlf;
    const std::string closing(49, '.');

    [[maybe_unused]] long memoryAfterWarmUp = 0;
    for (int click = 0; click < 2 * questions; ++click) {
        cmdNextQuestion(host, session);
        const bool isQuestion = click % 2 == 0;
        const int q = click / 2 + 1;
        const std::string bankLine =
            isQuestion ? "`q" + padNumber(std::to_string(q)) + ".  Question " + std::to_string(q)
                       : "Answer " + std::to_string(q) + "{}done";
        const std::string response = "response " + std::to_string(click) + "\r\nsecond line";
        host.answer = response;
        if (click % 3 == 2) {
            cmdSaveAsNotes(host, session);
            const std::string body = separator + timeLine + dateTimeLine + bankLine + crlf +
                                     separator + "NOTES -------> " + response + crlf + closing;
            master += body + crlf;
            send += body;
            notes += body;
        } else {
            const std::string rating = std::to_string(click % 4);
            host.queuePromptReply(rating);
            cmdEnterResponse(host, session);
            const std::string ratingLine =
                (isQuestion ? "confidence assessment:  " : "self critique assessment: ") + rating +
                crlf;
            const std::string common = bankLine + crlf + separator + "RESPONSE -->  " + crlf +
                                       response + crlf + ratingLine + closing + crlf;
            master += separator + timeLine + crlf + crlf + pad("`questionNumber", 29) + " " +
                      std::to_string(10000 + q) + " " + crlf + common;
            send += separator + timeLine + common;
        }
        if (click == 200) memoryAfterWarmUp = residentKilobytes();
    }
    EXPECT_EQ(readFile(masterPath), master);
    EXPECT_EQ(readFile(sendPath), send);
    EXPECT_EQ(readFile(host.home.file("kavrodel/notes_Long_Runner.txt")), notes);
#ifndef __SANITIZE_ADDRESS__  // AddressSanitizer keeps freed memory in quarantine on purpose
    EXPECT_LT(residentKilobytes() - memoryAfterWarmUp, 8 * 1024);
#endif
    EXPECT_THROW(cmdNextQuestion(host, session), ProgramEnded);
}

}  // namespace
}  // namespace qatutor::testing
