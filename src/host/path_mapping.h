// Maps the program's Windows-style paths onto the local file system.
//
// Every backslash is a folder separator, and a leading drive "c:" (either case) stands for the
// user's home folder, and so does a leading "~"; a relative folder lies inside the home folder.
// The bytes are Windows-1252 and become UTF-8 for the file system:
//   localPath("c:\\kavrodel\\notes_Ann_Lee.txt", "/home/ann") -> "/home/ann/kavrodel/notes_Ann_Lee.txt"
//   localPath("/home/ann/math\\masterFile_.txt", "/home/ann") -> "/home/ann/math/masterFile_.txt"
//   localPath("~/math\\notes_.txt", "/home/ann")               -> "/home/ann/math/notes_.txt"
//   localPath("math\\notes_.txt", "/home/ann")                 -> "/home/ann/math/notes_.txt"
// Any other drive letter is a host error: this computer has no such drive.
#pragma once

#include <string>

namespace qatutor {

std::string localPath(const std::string& programPath, const std::string& homeFolder);

// The folder holding `localPath` ("." when it names no folder).
std::string parentFolder(const std::string& localPath);

}  // namespace qatutor
