#include "support/temp_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>

namespace qatutor::testing {

TempFolder::TempFolder() {
    std::mt19937 random(std::random_device{}());
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = std::filesystem::temp_directory_path() /
                               ("qatutor-test-" + std::to_string(random() % 1000000000));
        if (std::filesystem::create_directory(candidate)) {  // false when it exists already
            path_ = candidate.string();
            return;
        }
    }
    throw std::runtime_error("no new temporary folder");
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
}

namespace {

// A UTF-8 path as the file system takes it (on Windows, UTF-16).
std::filesystem::path fsPath(const std::string& path) {
    return std::u8string(path.begin(), path.end());
}

}  // namespace

std::string readFile(const std::string& path) {
    std::ifstream in(fsPath(path), std::ios::binary);
    std::ostringstream content;
    content << in.rdbuf();
    return content.str();
}

void writeFile(const std::string& path, const std::string& bytes) {
    std::ofstream out(fsPath(path), std::ios::binary | std::ios::trunc);
    out << bytes;
}

bool exists(const std::string& path) {
    std::error_code error;
    return std::filesystem::exists(fsPath(path), error);
}

}  // namespace qatutor::testing
