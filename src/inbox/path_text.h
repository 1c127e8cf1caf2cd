// The inbox keeps paths as UTF-8 text on every system. On Windows the file system's names are
// UTF-16, and a narrow string handed to std::filesystem or the C library is read in the system's
// code page there, which would make "send_1209Zoë_Lee.txt" or a folder "C:\Élèves" a name that does
// not exist; every path the inbox builds or reads goes through these two instead.
#pragma once

#include <filesystem>
#include <string>

namespace qatutor::inbox {

inline std::filesystem::path pathOf(const std::string& text) {
#ifdef _WIN32
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
#else
    return std::filesystem::path(text);  // the file system's own bytes, whatever they encode
#endif
}

inline std::string textOf(const std::filesystem::path& path) {
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.string();
#endif
}

}  // namespace qatutor::inbox
