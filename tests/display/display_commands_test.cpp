// clear box, display notes and display SEND file against the fake host.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "display/display_commands.h"
#include "support/fake_host.h"
#include "support/fixture_bank.h"

namespace qatutor::testing {
namespace {

class DisplayTest : public ::testing::Test {
protected:
    DisplayTest() {
        ::mkdir(host.home.file("kavrodel").c_str(), 0755);
        session.notesFilePath = "c:\\kavrodel\\notes_A.txt";
        session.sendFilePath = "c:\\kavrodel\\send_1207A.txt";
    }
    std::string notesFile() const { return host.home.file("kavrodel/notes_A.txt"); }
    std::string sendFile() const { return host.home.file("kavrodel/send_1207A.txt"); }
    FakeHost host;
    Session session;
};

TEST_F(DisplayTest, NotesLinesRunTogetherAfterTheQuestionBox) {
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"ab\r\ncd\r\n", "Q", "Qabcd"},
        {"ab\r\ncd", "Q", "Qabcd"},
        {"", "Q", "Q"},
        {"x", "", "x"},
    };
    for (const auto& [file, box, shown] : cases) {
        writeFile(notesFile(), file);
        host.question = box;
        EXPECT_TRUE(cmdDisplayNoteFile(host, session)) << file;
        EXPECT_EQ(host.question, shown) << file;
        EXPECT_EQ(host.channels().openCount(), 0);
    }
    writeFile(notesFile(), "ab\r\ncd");
    host.question = "Q";
    cmdDisplayNoteFile(host, session);
    cmdDisplayNoteFile(host, session);
    EXPECT_EQ(host.question, "Qabcdabcd");
    EXPECT_EQ(session.workText, "abcd");
}

TEST_F(DisplayTest, SendFileLinesEachAfterALineBreak) {
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"ab\r\ncd\r\n", "Q", "Q\r\nab\r\ncd"},
        {"ab\r\ncd", "", "\r\nab\r\ncd"},
        {"", "Q", "Q"},
        {"a\r\n\r\nb", "", "\r\na\r\n\r\nb"},
    };
    for (const auto& [file, box, shown] : cases) {
        writeFile(sendFile(), file);
        host.question = box;
        cmdDisplayCumulativeText(host, session);
        EXPECT_EQ(host.question, shown) << file;
        EXPECT_EQ(host.channels().openCount(), 0);
    }
}

TEST_F(DisplayTest, MissingFilesAddNothingAndTheRunGoesOn) {
    host.question = "typed by the student";
    EXPECT_FALSE(cmdDisplayNoteFile(host, session));
    cmdDisplayCumulativeText(host, session);
    EXPECT_EQ(host.question, "typed by the student");
    EXPECT_FALSE(host.ended);
}

}  // namespace
}  // namespace qatutor::testing
