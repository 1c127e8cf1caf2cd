// A fresh folder under the system's temporary folder, removed with everything in it at the end.
#pragma once

#include <string>

#ifdef _WIN32
#include <filesystem>
// The tests make folders with POSIX mkdir's two arguments and UTF-8 names; on Windows the names
// become UTF-16, as the host makes them.
inline int mkdir(const char* path, int /*mode*/) {
    std::error_code error;
    const std::string name(path);
    return std::filesystem::create_directory(std::u8string(name.begin(), name.end()), error) ? 0
                                                                                             : -1;
}
#endif

namespace qatutor::testing {

class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    const std::string& path() const { return path_; }
    // The folder's file `name`, joined with the system's own separator.
    std::string file(const std::string& name) const { return path_ + separator + name; }
#ifdef _WIN32
    static constexpr char separator = '\\';
#else
    static constexpr char separator = '/';
#endif

private:
    std::string path_;
};

std::string readFile(const std::string& path);
void writeFile(const std::string& path, const std::string& bytes);
bool exists(const std::string& path);

}  // namespace qatutor::testing
