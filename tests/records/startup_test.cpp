// Start-up: the prompts, the record file paths, the assignment numbers and the scan.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>

#include "base/numbers.h"
#include "records/startup.h"
#include "support/fake_host.h"
#include "support/fixture_bank.h"

namespace qatutor::testing {
namespace {

// A folder reply in another script, in UTF-8 as the student types it.
const std::string documents =
    "\xD0\x94\xD0\xBE\xD0\xBA\xD1\x83\xD0\xBC\xD0\xB5\xD0\xBD\xD1\x82\xD1\x8B";  // Документы

struct StartedRun {
    FakeHost host;
    Session session;
    // Starts with these replies; returns the error message, or empty when start-up succeeded.
    std::string start(std::initializer_list<std::string> replies) {
        for (const std::string& reply : replies) host.queuePromptReply(reply);
        try {
            startUp(host, session, piecesOf(fixtureBankLines()));
        } catch (const TutorError& error) {
            return error.what();
        }
        return "";
    }
};

TEST(StartUp, AnnLeeOnTheDefaultFolderOnSeventhOfDecember) {
    StartedRun run;
    ASSERT_EQ(run.start({"Ann Lee", "", "1"}), "");
    const Session& s = run.session;
    EXPECT_EQ(s.courseTitle, "Liberal Arts Mathematics II");
    EXPECT_EQ(s.outputFolder, "c:\\kavrodel");
    EXPECT_EQ(s.masterFilePath, "c:\\kavrodel\\masterFile_Ann_Lee.txt");
    EXPECT_EQ(s.sendFilePath, "c:\\kavrodel\\send_1207Ann_Lee.txt");
    EXPECT_EQ(s.notesFilePath, "c:\\kavrodel\\notes_Ann_Lee.txt");
    EXPECT_EQ(s.assignmentNumber, "001");
    EXPECT_EQ(s.nextAssignmentNumber, "002");
    EXPECT_EQ(s.lineCursor, 1);
    EXPECT_EQ(s.answerPrompt.size(), 502u);
    EXPECT_NE(s.answerPrompt.find("just an OK.\r\n\r\nAlways critique"), std::string::npos);
    EXPECT_TRUE(exists(run.host.home.file("kavrodel/masterFile_Ann_Lee.txt")));
    EXPECT_TRUE(exists(run.host.home.file("kavrodel/send_1207Ann_Lee.txt")));
    EXPECT_FALSE(exists(run.host.home.file("kavrodel/notes_Ann_Lee.txt")));
    EXPECT_EQ(run.host.prompts(),
              (std::vector<std::string>{std::string(namePrompt), std::string(folderChoicePrompt),
                                        std::string(assignmentPrompt)}));
    EXPECT_EQ(run.host.events,
              (std::vector<std::string>{"scale Picture1 1000x1000", "scale Picture2 1000x1000"}));
    EXPECT_EQ(run.host.channels().openCount(), 0);
}

// An earlier day's send file that a run ended in the middle of a record left unfinished: start-up
// cuts the part out, says which file, and the day's files start whole.
TEST(StartUp, AnUnfinishedRecordOfAnEarlierRunIsCutOutAndTold) {
    StartedRun run;
    ASSERT_EQ(::mkdir(run.host.home.file("kavrodel").c_str(), 0755), 0);
    const std::string earlier = run.host.home.file("kavrodel") + TempFolder::separator;
    writeFile(earlier + "send_1206Ann_Lee.txt", "whole\r\nhalf of a rec");
    writeFile(earlier + ".send_1206Ann_Lee.txt.unfinished", "7 40");
    ASSERT_EQ(run.start({"Ann Lee", "", "1"}), "");
    EXPECT_EQ(readFile(earlier + "send_1206Ann_Lee.txt"), "whole\r\n");
    ASSERT_EQ(run.host.messages.size(), 1u);
    EXPECT_NE(run.host.messages[0].find("taken out of\n" + earlier + "send_1206Ann_Lee.txt\n"),
              std::string::npos)
        << run.host.messages[0];
}

TEST(StartUp, AssignmentNumbersArePaddedByLength) {
    const std::vector<std::tuple<std::string, std::string, std::string>> cases = {
        {"3", "003", "004"}, {"12", "012", "013"},  {"099", "099", "100"}, {"0003", "0003", "004"},
        {"", "", "001"},     {"2.5", "2.5", "3.5"}, {"99", "099", "100"},  {"4x", "04x", "005"},
    };
    for (const auto& [typed, padded, next] : cases) {
        StartedRun run;
        run.start({"A", "", typed});
        EXPECT_EQ(run.session.assignmentNumber, padded) << typed;
        EXPECT_EQ(run.session.nextAssignmentNumber, next) << typed;
    }
}

TEST(StartUp, FolderPrompts) {
    struct Case {
        std::vector<std::string> replies;
        std::string folder;
        std::size_t prompts;
    };
    const std::string mine = "/srv/math";  // an absolute local folder, as typed
    const std::vector<Case> cases = {
        {{"A", " 1", "1"}, "c:\\kavrodel", 3},
        {{"A", "yes", "1"}, "c:\\kavrodel", 3},
        {{"A", "1", "", "1"}, "c:\\kavrodel", 4},
        {{"A", "1", "c:\\mine", "1"}, "c:\\mine", 4},
#ifdef _WIN32
        // No Windows name begins or ends with a blank: a pasted folder loses those around it.
        {{"A", "1", " c:\\mine\\ ", "1"}, "c:\\mine\\", 4},
#else
        {{"A", "1", " c:\\mine\\ ", "1"}, " c:\\mine\\ ", 4},
#endif
    };
    for (const Case& c : cases) {
        FakeHost host;
        Session session;
        for (const auto& reply : c.replies) host.queuePromptReply(reply);
        try {
            startUp(host, session, piecesOf(fixtureBankLines()));
        } catch (const HostError&) {
        }
        EXPECT_EQ(session.outputFolder, c.folder) << c.replies[1];
        EXPECT_EQ(host.prompts().size(), c.prompts) << c.replies[1];
        if (c.prompts == 4) {
            EXPECT_EQ(host.prompts()[2], std::string(folderPathPrompt));
        }
        // The default folder is made whatever the choice; a typed one never is.
        EXPECT_TRUE(exists(host.home.file("kavrodel")));
        EXPECT_FALSE(exists(host.home.file("mine")));
    }
}

TEST(StartUp, NamesBecomeFileNames) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"Ann Lee", "Ann_Lee"},
        {"../../etc/x", ".._.._etc_x"},
        {"a\\b:c*d?e\"f<g>h|i", "a_b_c_d_e_f_g_h_i"},
        {"Zo\xEB", "Zo\xEB"},
        {"tab\tline\r\n", "tab_line__"},
        {"x\x7Fy", "x_y"},
        // The five bytes Windows-1252 leaves undefined are C1 controls; the printable ones
        // around them (euro sign, S caron, Y diaeresis, en dash) stay.
        {"A\x81"
         "b\x9D",
         "A_b_"},
        {"\x8D\x8F\x90", "___"},
        {"\x80\x8A\x9F\x96", "\x80\x8A\x9F\x96"},
    };
    for (const auto& [name, part] : cases) EXPECT_EQ(fileNamePart(name), part) << name;
}

TEST(StartUp, CodeNumberStaysWithinNineteenToTwentyEight) {
    FakeHost host;
    for (int seed = 0; seed < 3000; ++seed) {
        Session session;
        host.seconds = static_cast<float>(seed) * 28.8f;
        for (const char* reply : {"A", "", ""}) host.queuePromptReply(reply);
        setUpSession(host, session, {});
        ASSERT_GE(session.codeNumber, 19) << seed;
        ASSERT_LE(session.codeNumber, 28) << seed;
    }
    // The highest and lowest draws.
    for (const auto& [draw, expected] :
         {std::pair{1.0f - 1.0f / 16777216.0f, 28}, std::pair{0.0f, 19}}) {
        Session session;
        host.queueRandom(draw);
        for (const char* reply : {"A", "", ""}) host.queuePromptReply(reply);
        setUpSession(host, session, {});
        EXPECT_EQ(session.codeNumber, expected);
    }
}

TEST(StartUp, AnAssignmentNotInTheBankEndsTheRunWithNothingWritten) {
    // The reply as typed, then the header lines of the bank; its end lines 003. and 005. are
    // not assignments, so 3 and 5 are not in the bank either, and neither is a number with a blank.
    const std::string list = "\n001  First\n002  Second\n004  Fourth";
    for (const std::string& typed :
         {std::string("7"), std::string("0003"), std::string(), std::string("12"),
          std::string(" 3"), std::string("3"), std::string("5"), std::string("4 ")}) {
        StartedRun run;
        const std::string message = run.start({"A", "", typed});
        EXPECT_EQ(message, "Assignment \"" + typed +
                               "\" is not in the question bank, so nothing was "
                               "written. Start again and type one of these assignment numbers "
                               "alone, without blanks or other characters:" +
                               list)
            << typed;
        EXPECT_FALSE(exists(run.host.home.file("kavrodel/masterFile_A.txt"))) << typed;
        EXPECT_FALSE(exists(run.host.home.file("kavrodel/send_1207A.txt"))) << typed;
    }
}

TEST(StartUp, AFolderThatCannotHoldFilesEndsTheRunWithNothingWritten) {
    const std::string longName(300, 'n');
#ifdef _WIN32
    const std::string units = "characters";  // Windows counts a name in UTF-16 units
#else
    const std::string units = "bytes";
#endif
    struct Case {
        std::string name;
        std::string folder;        // in the home folder, which holds a plain file
        std::string messageStart;  // empty: the folder cannot be written, named as the host has it
    };
    const std::vector<Case> cases = {
        {"A", "missing", ""},
        {"A", documents, ""},
        {"A", "plain-file", ""},
        // A name too long for the file system says so first; the folder is not to blame.
        {longName, "",
         "The name masterFile_" + longName + ".txt is too long for the file system: 315 " + units +
             ", at most 255."},
        {"A", longName,
         "The name " + longName + " is too long for the file system: 300 " + units +
             ", at most 255."},
    };
    for (const Case& c : cases) {
        StartedRun attempt;
        const TempFolder& home = attempt.host.home;
        writeFile(home.file("plain-file"), "x");
        const std::string folder = c.folder.empty() ? home.path() : home.file(c.folder);
        const std::string messageStart =
            c.messageStart.empty() ? "Your record files cannot be written in the folder " + folder
                                   : c.messageStart;
        const std::string message = attempt.start({c.name, "1", folder, "1"});
        EXPECT_EQ(message.substr(0, messageStart.size()), messageStart) << message;
        EXPECT_NE(message.find("nothing was written"), std::string::npos) << message;
        EXPECT_EQ(attempt.host.channels().openCount(), 0);
        EXPECT_EQ(readFile(home.file("plain-file")), "x");
    }
}

TEST(StartUp, ATypedFolderThatIsNotAbsoluteLiesInTheHomeFolder) {
    std::vector<std::pair<std::string, std::string>> cases = {
        {"math", "math"},       {"~/math", "math"},
        {"~\\math\\", "math"},  {"~", ""},
        {".\\math", "math"},    {"c:math", "math"},
        {documents, documents}, {"m\xC3\xA9th", "m\xC3\xA9th"},
    };
#ifdef _WIN32
    // On Linux "\math" is the folder /math; on Windows it is no more than "math".
    cases.insert(cases.end(), {{"\\math", "math"}, {"\"" + documents + "\"", documents}});
#endif
    for (const auto& [typed, folder] : cases) {
        StartedRun run;
        ::mkdir(run.host.home.file(folder).c_str(), 0755);
        ASSERT_EQ(run.start({"A", "1", typed, "1"}), "") << typed;
        EXPECT_TRUE(exists(run.host.home.file(folder + "/masterFile_A.txt"))) << typed;
        EXPECT_TRUE(exists(run.host.home.file(folder + "/send_1207A.txt"))) << typed;
    }
}

TEST(StartUp, HostileNamesAndFoldersKeepEveryFileInsideTheFolderOrWriteNothing) {
    struct Case {
        std::string name;
        std::string folder;  // empty: the default folder
        bool starts;
    };
    const std::vector<Case> cases = {
        {"../../outside", "", true},
        {"a/b\\c:d", "", true},
        {std::string("tab\tnew\nline\x7f"), "", true},
        {std::string(300, 'x'), "", false},  // longer than a file name may be
        {"   ", "", true},
        {"Zo\xEB", "caf\xC3\xA9 " + documents, true},  // a name in Windows-1252, a folder typed
        {"Ann", "with blanks in it", true},
    };
    for (const Case& c : cases) {
        StartedRun run;
        std::string folder = run.host.home.file("kavrodel");
        std::vector<std::string> replies = {c.name, "", "1"};
        if (!c.folder.empty()) {
            folder = run.host.home.file(c.folder);
            ::mkdir(folder.c_str(), 0755);
            replies = {c.name, "1", run.host.home.file(c.folder), "1"};
        }
        std::string message;
        for (const auto& reply : replies) run.host.queuePromptReply(reply);
        try {
            startUp(run.host, run.session, piecesOf(fixtureBankLines()));
        } catch (const TutorError& error) {
            message = error.what();
        }
        EXPECT_EQ(message.empty(), c.starts) << message;
        // Whatever was written lies in the folder itself, and nothing anywhere else.
        std::size_t inFolder = 0;
        for (const auto& entry :
             std::filesystem::recursive_directory_iterator(run.host.home.path())) {
            if (!entry.is_regular_file()) continue;
            const std::u8string parent = entry.path().parent_path().u8string();
            EXPECT_EQ(std::string(parent.begin(), parent.end()), folder) << entry.path();
            ++inFolder;
        }
        EXPECT_EQ(inFolder, c.starts ? 2u : 0u) << c.name;
    }
}

}  // namespace
}  // namespace qatutor::testing
