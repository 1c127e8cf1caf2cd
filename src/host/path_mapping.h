// Maps the program's Windows-style paths onto the local file system, on Linux and macOS
// (localPath) and on Windows (windowsPath). Both are plain text rules, so that both are tested on
// every system.
//
// A program path is the output folder, a backslash and a file name. The file names, and the
// default folder c:\kavrodel, are Windows-1252; a folder the student typed is kept in the host's
// own spelling (UTF-8, as promptFolder gave it), so that a folder in any script is used as typed.
// `typedFolder` names that folder: a path that begins with it keeps that part as it is, and only
// the rest becomes UTF-8 from Windows-1252.
//   pathText("c:\\caf\xE9", "")                                     -> "c:\\caf\xC3\xA9"
//   pathText("/home/ann/\xD0\x94\\notes_Zo\xEB.txt", "/home/ann/\xD0\x94")
//                                                      -> "/home/ann/\xD0\x94\\notes_Zo\xC3\xAB.txt"
#pragma once

#include <string>

namespace qatutor {

// Where the program's paths lie on this computer.
struct PathPlaces {
    // The user's home folder (on Windows the profile folder): "~" and a relative folder lie in it.
    std::string homeFolder;
    // What the drive c: stands for. Empty: the home folder on Linux and macOS, the real drive c:
    // on Windows. Tests give a temporary folder.
    std::string driveFolder;
    // The folder the student typed, in the host's own spelling; empty when none was typed.
    std::string typedFolder;
};

// The program path as UTF-8: a leading `typedFolder` as it is, the rest from Windows-1252.
std::string pathText(const std::string& programPath, const std::string& typedFolder);

// Linux and macOS. Every backslash is a folder separator, and a leading drive "c:" (either case)
// stands for the drive folder, a leading "~" for the home folder; any other folder that does not
// start with "/" lies inside the home folder:
//   localPath("c:\\kavrodel\\notes_Ann_Lee.txt", "/home/ann") -> "/home/ann/kavrodel/notes_Ann_Lee.txt"
//   localPath("/home/ann/math\\masterFile_.txt", "/home/ann") -> "/home/ann/math/masterFile_.txt"
//   localPath("~/math\\notes_.txt", "/home/ann")               -> "/home/ann/math/notes_.txt"
//   localPath("math\\notes_.txt", "/home/ann")                 -> "/home/ann/math/notes_.txt"
// Any other drive letter is a host error: this computer has no such drive.
std::string localPath(const std::string& programPath, const PathPlaces& places);
// The same with no typed folder, c: standing for the home folder.
std::string localPath(const std::string& programPath, const std::string& homeFolder);

// The folder holding `localPath` ("." when it names no folder).
std::string parentFolder(const std::string& localPath);

// Windows. A path that begins with a drive and a separator ("C:\...", "d:/...") or with two
// separators ("\\server\share") is used as it is, but for the drive c: when a drive folder is
// given. Every other path lies inside the profile folder, never in the current folder: "math",
// ".\math", "~\math", "\math" and "c:math" all are C:\Users\Ann\math.
//   windowsPath("c:\\kavrodel\\x.txt", {"C:\\Users\\Ann"}) -> "c:\\kavrodel\\x.txt"
//   windowsPath("\\math\\x.txt", {"C:\\Users\\Ann"})       -> "C:\\Users\\Ann\\math\\x.txt"
std::string windowsPath(const std::string& programPath, const PathPlaces& places);

// A folder reply on Windows loses the blanks before and after it (no Windows name begins or ends
// with one), and a reply wholly inside double quotes, as Explorer's "Copy as path" gives it,
// loses them (no Windows name can hold a double quote).
//   windowsFolderReply("\"C:\\Users\\Ann\\math\"") -> "C:\\Users\\Ann\\math"
std::string windowsFolderReply(std::string reply);

// Throws a host error that names the first name of the Windows path `local` (UTF-8) that Windows
// refuses or would change: a device name (CON, NUL, COM1 ...), one of < > : " | ? * or a control
// character, a name ending in a dot or a blank. A name over 255 UTF-16 units, or a whole path of
// 260 (MAX_PATH) or more, is a NameTooLongError.
void checkWindowsNames(const std::string& local);

}  // namespace qatutor
