// What the inbox asks of the operating system: paths, what a path names, reading a file, the
// command line and the console. posix/ carries it out on Linux, win32/ on Windows, each in
// files.cpp and console.cpp; the report's outputs are put in place by the steps of
// atomic_output.h, in the same two folders. Nothing else of the inbox depends on the system.
//
// The inbox keeps every path as a byte string. On Linux it is the file system's own bytes,
// whatever they encode. On Windows it is UTF-8, turned into the file system's UTF-16 for every
// call: a narrow string handed to std::filesystem or the C library would be read in the
// system's code page there, which would make "send_1209Zoë_Lee.txt" or a folder "C:\Μαθηματικά"
// a name that does not exist.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace qatutor::inbox {

// The separator the system writes between a folder and the names in it: '/', on Windows '\\'.
extern const char pathSeparator;

// A path as std::filesystem takes it, and back.
std::filesystem::path pathOf(const std::string& text);
std::string textOf(const std::filesystem::path& path);

// `name` inside `folder`, with one separator between them: a folder given with a separator at
// its end ("mail/", PowerShell's "C:\mail\") gets none more, and on Windows it is Windows' own.
//   joinPath("mail", "report.html") -> "mail/report.html"      (Windows: "mail\\report.html")
//   joinPath("mail/", "report.html") -> "mail/report.html"     (Windows: "mail\\report.html")
std::string joinPath(const std::string& folder, std::string_view name);

// True when `path` names a folder, or a link to one; a separator at its end is allowed.
bool isFolder(const std::string& path);
// Throws InboxError with the system's reason when nothing goes by the name `path`. A link counts
// even when it leads nowhere: reading it says why.
void checkFound(const std::string& path);

// What an open file is.
enum class OpenKind { folder, regularFile, other };
struct OpenFacts {
    OpenKind kind = OpenKind::other;
    std::uint64_t size = 0;  // bytes
};

// A file opened for reading, closed with the object. Every call throws InboxError with the
// system's reason when it fails.
class OpenFile {
public:
    // Opens without blocking, so that a pipe or a device never holds the inbox up.
    explicit OpenFile(const std::string& path);
    ~OpenFile();
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    OpenFacts facts() const;
    // Reads up to `size` bytes into `into`: how many it read, 0 at the end of the file.
    std::size_t read(char* into, std::size_t size);
    // The next read starts `at` bytes from the file's start.
    void seek(std::uint64_t at);

private:
    int descriptor_;
};

// The program's arguments after its name, as UTF-8.
std::vector<std::string> commandLineArguments(int argc, char** argv);

// UTF-8 text on standard output or standard error. A console shows every character of it
// whatever its code page; a file or a pipe gets the UTF-8 bytes.
void writeOutput(std::string_view utf8);
void writeError(std::string_view utf8);

// Whether a desktop is there to show the folder dialog on: a display on Linux, always on
// Windows.
bool desktopAvailable();
// Started from the desktop menu, Windows gives the program a console window of its own, which
// would only stand beside the dialogs: it is let go. A console shared with a command prompt, and
// any other system's terminal, is kept.
void leaveOwnConsole();

}  // namespace qatutor::inbox
