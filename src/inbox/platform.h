// What the inbox asks of the operating system: paths, what a path names, the names in a folder,
// reading a file, the clock, the command line and the console. posix/ carries it out on Linux,
// win32/ on Windows, each in files.cpp and console.cpp; platform.cpp holds what the C++ library
// does alike on both (folders through std::filesystem, the clock) and reading a whole file
// through OpenFile; the report's outputs are put
// in place by the steps of output_steps.h, in posix/ and win32/ too. Nothing else of the inbox
// reaches the system.
//
// The inbox keeps every path as a byte string. On Linux it is the file system's own bytes,
// whatever they encode. On Windows it is UTF-8, turned into the file system's UTF-16 for every
// call: a narrow string handed to std::filesystem or the C library would be read in the
// system's code page there, which would make "send_1209Zoë_Lee.txt" or a folder "C:\Μαθηματικά"
// a name that does not exist.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <functional>
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

// The folder that holds `path`, "" for a name alone:
//   folderOf("mail/report.zip") -> "mail"      folderOf("report.zip") -> ""
std::string folderOf(const std::string& path);

// True when `path` names a folder, or a link to one; a separator at its end is allowed.
bool isFolder(const std::string& path);
// Throws InboxError with the system's reason when `path` cannot be looked up: nothing goes by
// that name ("No such file or directory"), or a folder on the way may not be searched
// ("Permission denied"). A link counts even when it leads nowhere: reading it says why.
void checkFound(const std::string& path);

// What `path` names, a link not followed.
enum class EntryKind { missing, folder, link, regularFile, other };
EntryKind entryKindOf(const std::string& path);

// The names in `folder`, in no particular order; throws InboxError with the system's reason when
// the folder cannot be read.
std::vector<std::string> namesIn(const std::string& folder);

// `path` made absolute, every link in it followed as far as it leads; throws InboxError when one
// cannot be followed (a loop, a folder that cannot be searched).
std::string resolvedPath(const std::string& path);
// Whether the resolved `place` lies inside the resolved `folder`:
//   liesInside("/mail/a.txt", "/mail") -> true     liesInside("/mailbox/a.txt", "/mail") -> false
bool liesInside(const std::string& place, const std::string& folder);
// `path` made absolute against the current folder, links left as they are; `path` itself when
// the current folder cannot be told.
std::string absolutePath(const std::string& path);

// Removes the file or folder `path` with all it holds, as far as it can; whoever calls it says
// why what stays loses nothing.
void removeAll(const std::string& path);

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

// The bytes of the regular file at `path`, read to its end even when it grew after it was
// opened; `what` says what it should be. Throws InboxError saying why, reading no more, when it
// cannot be opened or read ("cannot be opened: No such file or directory"), is no regular file
// ("a folder, not a record file", "not a regular file (a pipe, socket or device)") or holds more
// than `largest` bytes ("too large for a record file").
//   readFileUpTo("send_1209Ann_Lee.txt", 256 << 20, "a record file") -> its bytes
std::string readFileUpTo(const std::string& path, std::uint64_t largest, std::string_view what);

// The time now, in seconds since 1970. A test may put a clock of its own in the system's place
// with replaceClock, and give it back with an empty one.
std::time_t currentTime();
void replaceClock(std::function<std::time_t()> clock);

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
