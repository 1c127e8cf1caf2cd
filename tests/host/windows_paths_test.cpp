// The Windows path rules on every system: where a program path lies, the folder reply's quotes,
// and the names Windows refuses. Under Windows the same names are refused before any file is
// touched, and file names reach Windows in UTF-16.
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>

#include "host/path_mapping.h"
#include "support/fake_host.h"

namespace qatutor::testing {
namespace {

std::string repeated(const std::string& piece, int times) {
    std::string text;
    for (int i = 0; i < times; ++i) text += piece;
    return text;
}

const std::string dmitry = "\xD0\x94\xD0\xBC\xD0\xB8\xD1\x82\xD1\x80\xD0\xB8\xD0\xB9";  // Дмитрий

TEST(WindowsPaths, ADriveAndASeparatorOrTwoSeparatorsStartAPathTheRestLiesInTheProfile) {
    const std::string profile = "C:\\Users\\Ann";
    struct Case {
        std::string program;
        std::string typedFolder;
        std::string driveFolder;
        std::string local;
    };
    const std::vector<Case> cases = {
        {"c:\\kavrodel\\masterFile_Ann_Lee.txt", "", "", "c:\\kavrodel\\masterFile_Ann_Lee.txt"},
        {"D:/math\\notes_.txt", "", "", "D:/math\\notes_.txt"},
        {"\\\\server\\share\\math", "", "", "\\\\server\\share\\math"},
        {"//server/share/math", "", "", "//server/share/math"},
        // Every other form lies in the profile folder, never in a current folder.
        {"math\\x.txt", "", "", profile + "\\math\\x.txt"},
        {".\\math\\x.txt", "", "", profile + "\\math\\x.txt"},
        {"~\\math\\x.txt", "", "", profile + "\\math\\x.txt"},
        {"\\math\\x.txt", "", "", profile + "\\math\\x.txt"},
        {"c:math\\x.txt", "", "", profile + "\\math\\x.txt"},
        {"~/math", "", "", profile + "\\math"},
        {"~", "", "", profile},
        {"c:", "", "", profile},
        {"~ann\\x.txt", "", "", profile + "\\~ann\\x.txt"},
        {"..\\math", "", "", profile + "\\..\\math"},
        // Windows-1252 becomes UTF-8, but a typed folder keeps its own spelling.
        {"d:\\caf\xE9", "", "", "d:\\caf\xC3\xA9"},
        {"C:\\Users\\" + dmitry + "\\math\\notes_Zo\xEB.txt", "C:\\Users\\" + dmitry + "\\math", "",
         "C:\\Users\\" + dmitry + "\\math\\notes_Zo\xC3\xAB.txt"},
        {dmitry + "\\x.txt", dmitry, "", profile + "\\" + dmitry + "\\x.txt"},
        // A drive folder stands for c: (tests); a path inside it already, or on d:, stays.
        {"c:\\kavrodel", "", "C:\\t", "C:\\t\\kavrodel"},
        {"C:/tx", "", "C:\\t", "C:\\t/tx"},
        {"c:\\T\\math", "", "C:\\t", "c:\\T\\math"},
        {"d:\\math", "", "C:\\t", "d:\\math"},
        {"c:math", "", "C:\\t", profile + "\\math"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(windowsPath(c.program, {profile, c.driveFolder, c.typedFolder}), c.local)
            << c.program;
}

TEST(WindowsPaths, AFolderReplyLosesItsBlanksAndTheDoubleQuotesAroundIt) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"\"C:\\Users\\" + dmitry + "\\math\"", "C:\\Users\\" + dmitry + "\\math"},
        {"C:\\Users\\Ann\\math", "C:\\Users\\Ann\\math"},
        {"\"\"", ""},
        {"\"", "\""},
        {"\"math", "\"math"},
        {" \"math\" ", "math"},  // pasted with blanks around it
        {"C:\\Users\\Ann\\math\\ ", "C:\\Users\\Ann\\math\\"},
        {"   ", ""},
        {"\"a\"b\"", "\"a\"b\""},  // not one quoted folder: Windows refuses the name
    };
    for (const auto& [typed, folder] : cases) EXPECT_EQ(windowsFolderReply(typed), folder) << typed;
}

struct RefusedName {
    std::string path;
    std::string says;
    bool tooLong;
};

const std::vector<RefusedName>& refusedNames() {
    static const std::vector<RefusedName> cases = {
        {"c:\\CON\\masterFile_Ann.txt", "CON is kept by Windows for a device", false},
        {"c:\\kavrodel\\nul.txt", "nul.txt is kept by Windows for a device", false},
        {"c:\\com1\\x.txt", "com1 is kept by Windows", false},
        {"c:\\a<b\\x.txt", "a<b holds a character that Windows does not allow", false},
        {"c:\\why?\\x.txt", "why? holds a character", false},
        {"c:\\pipe|d\\x.txt", "pipe|d holds a character", false},
        {"c:\\d:e\\x.txt", "d:e holds a character", false},
        {"c:\\\"a\"b\"\\x.txt", "\"a\"b\" holds a character", false},
        {"c:\\math.\\x.txt", "math. ends in a dot or a blank", false},
        {"c:\\math \\x.txt", "math  ends in a dot or a blank", false},
        {"c:\\" + std::string(256, 'x') + "\\y.txt", "is too long for the file system: 256", true},
        {"c:\\" + std::string(150, 'x') + "\\" + std::string(150, 'y'), "must stay under 260",
         true},
    };
    return cases;
}

void expectRefused(const RefusedName& c, const std::function<void()>& use) {
    try {
        use();
        ADD_FAILURE() << c.path << " should be refused";
    } catch (const NameTooLongError& error) {
        EXPECT_TRUE(c.tooLong) << error.what();
        EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
    } catch (const HostError& error) {
        EXPECT_FALSE(c.tooLong) << error.what();
        EXPECT_NE(std::string(error.what()).find(c.says), std::string::npos) << error.what();
    }
}

TEST(WindowsPaths, NamesWindowsRefusesGetAClearMessage) {
    std::vector<RefusedName> cases = refusedNames();
    // Four bytes of UTF-8 are two UTF-16 units: 128 of them are 256.
    cases.push_back(
        {"c:\\" + repeated("\xF0\x9F\x98\x80", 128), "is too long for the file system: 256", true});
    for (const RefusedName& c : cases) expectRefused(c, [&] { checkWindowsNames(c.path); });
    // Names in any script up to 255 UTF-16 units, "." and "..", and a share pass.
    for (const std::string& path : {"C:\\Users\\" + dmitry + "\\" + repeated("\xD0\x94", 240),
                                    std::string("\\\\server\\share\\..\\.\\x.txt"),
                                    std::string("d:\\kavrodel\\masterFile_Zo\xC3\xAB Lee.txt")})
        EXPECT_NO_THROW(checkWindowsNames(path)) << path;
}

#ifdef _WIN32
TEST(WindowsPaths, NamesWindowsRefusesAreRefusedBeforeAnyFileIsTouched) {
    std::vector<RefusedName> cases = refusedNames();
    cases.push_back({"c:\\no such folder\\x.txt", "No such file or directory", false});
    for (const RefusedName& c : cases) {
        FakeHost host;
        expectRefused(c, [&] { host.openFile(masterChannel, c.path, FileMode::append); });
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
#endif

}  // namespace
}  // namespace qatutor::testing
