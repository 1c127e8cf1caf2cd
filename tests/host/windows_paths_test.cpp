// The host on Windows: the program's paths used as Windows paths, and the names Windows refuses
// named in the message before any file is touched.
#include <gtest/gtest.h>

#include <filesystem>

#include "support/fake_host.h"

namespace qatutor::testing {
namespace {

// The fake host's drive c: is its temporary folder, which stands for the profile folder too.
TEST(WindowsPaths, DrivesAreUsedAsTheyAreAndTheRestLiesInTheProfile) {
    FakeHost host;
    const std::string home = host.home.path();
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"c:\\kavrodel\\masterFile_Ann_Lee.txt", home + "\\kavrodel\\masterFile_Ann_Lee.txt"},
        {home + "\\math", home + "\\math"},  // a typed folder on the drive already
        {"D:\\math\\notes_.txt", "D:\\math\\notes_.txt"},
        {"\\\\server\\share\\math", "\\\\server\\share\\math"},
        {"~\\math", home + "\\math"},
        {"~", home + "\\"},
        {"math\\x.txt", home + "\\math\\x.txt"},
        {"d:\\caf\xE9", "d:\\caf\xC3\xA9"},  // Windows-1252 in, UTF-8 out
    };
    for (const auto& [program, local] : cases) EXPECT_EQ(host.realPath(program), local) << program;
}

TEST(WindowsPaths, NamesWindowsRefusesGetAClearMessageAndNothingIsWritten) {
    struct Case {
        std::string path;
        std::string says;
        bool tooLong;
    };
    const std::vector<Case> cases = {
        {"c:\\CON\\masterFile_Ann.txt", "CON is kept by Windows for a device", false},
        {"c:\\kavrodel\\nul.txt", "nul.txt is kept by Windows for a device", false},
        {"c:\\com1\\x.txt", "com1 is kept by Windows", false},
        {"c:\\a<b\\x.txt", "a<b holds a character that Windows does not allow", false},
        {"c:\\why?\\x.txt", "why? holds a character", false},
        {"c:\\pipe|d\\x.txt", "pipe|d holds a character", false},
        {"c:\\d:e\\x.txt", "d:e holds a character", false},
        {"c:\\math.\\x.txt", "math. ends in a dot or a blank", false},
        {"c:\\" + std::string(256, 'x') + "\\y.txt", "is too long for the file system: 256", true},
        {"c:\\" + std::string(150, 'x') + "\\" + std::string(150, 'y'), "must stay under 260",
         true},
        {"c:\\no such folder\\x.txt", "No such file or directory", false},
    };
    for (const Case& c : cases) {
        FakeHost host;
        try {
            host.openFile(masterChannel, c.path, FileMode::append);
            ADD_FAILURE() << c.path << " should not open";
        } catch (const NameTooLongError& error) {
            EXPECT_TRUE(c.tooLong) << error.what();
            EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
        } catch (const HostError& error) {
            EXPECT_FALSE(c.tooLong) << error.what();
            EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
        }
        EXPECT_TRUE(std::filesystem::is_empty(host.home.path())) << c.path;
    }
}

TEST(WindowsPaths, FileNamesReachWindowsInUtf16) {
    FakeHost host;
    host.makeFolder("c:\\caf\xE9");
    host.openFile(notesChannel, "c:\\caf\xE9\\notes_Zo\xEB.txt", FileMode::append);
    host.write(notesChannel, "x\r\n");
    host.closeFile(notesChannel);
    EXPECT_TRUE(host.fileExists("c:\\caf\xE9\\notes_Zo\xEB.txt"));
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(host.home.path()) /
                                        std::filesystem::path(u8"caf\u00e9/notes_Zo\u00eb.txt")));
}

}  // namespace
}  // namespace qatutor::testing
