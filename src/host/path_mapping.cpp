#include "host/path_mapping.h"

#include <cctype>

#include "base/cp1252.h"
#include "host/host.h"

namespace qatutor {

std::string localPath(const std::string& programPath, const std::string& homeFolder) {
    const bool hasDrive = programPath.size() >= 2 && programPath[1] == ':' &&
                          std::isalpha(static_cast<unsigned char>(programPath[0]));
    if (hasDrive && std::tolower(static_cast<unsigned char>(programPath[0])) != 'c')
        throw HostError("The drive " + cp1252::toUtf8(programPath.substr(0, 2)) +
                        " does not exist on this computer (path " + cp1252::toUtf8(programPath) +
                        "). Only c: is available; it stands for your home folder.");
    std::string rest = hasDrive ? programPath.substr(2) : programPath;
    for (char& c : rest)
        if (c == '\\') c = '/';
    if (!hasDrive) {
        if (!rest.empty() && rest.front() == '/') return cp1252::toUtf8(rest);
        // "~" alone or before a separator is the home folder; any other folder that does not
        // start at the root is taken inside the home folder, never the working directory that
        // whoever started the program happened to leave.
        if (rest == "~" || rest.starts_with("~/")) rest.erase(0, 1);
    }
    if (rest.empty() || rest.front() != '/') rest.insert(rest.begin(), '/');
    return homeFolder + cp1252::toUtf8(rest);
}

std::string parentFolder(const std::string& localPath) {
    const auto slash = localPath.find_last_of('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return localPath.substr(0, slash);
}

}  // namespace qatutor
