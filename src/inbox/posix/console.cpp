// The inbox's command line and console on Linux: the arguments are the file system's own bytes,
// and the terminal takes UTF-8 as it is.
#include <cstdio>
#include <cstdlib>

#include "inbox/platform.h"

namespace qatutor::inbox {

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    return std::vector<std::string>(argv + 1, argv + argc);
}

void writeOutput(std::string_view utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stdout); }
void writeError(std::string_view utf8) { std::fwrite(utf8.data(), 1, utf8.size(), stderr); }

bool desktopAvailable() {
    return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY") ||
           std::getenv("QT_QPA_PLATFORM");
}

void leaveOwnConsole() {}

}  // namespace qatutor::inbox
