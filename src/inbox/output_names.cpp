#include "inbox/output_names.h"

#include <algorithm>

#include "base/text.h"

namespace qatutor::inbox {
namespace {

constexpr std::string_view runPrefix = "report-";
constexpr std::string_view pagePrefix = "student-", pageExtension = ".html";
constexpr std::size_t temporaryMarkLength = 6;  // the XXXXXX of mkstemp and mkdtemp

bool digits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), isDigit);
}

// ".NAME.XXXXXX" where NAME passes `isName`.
template <typename IsName>
bool isTemporaryOf(std::string_view name, IsName isName) {
    if (name.size() < temporaryMarkLength + 3 || name[0] != '.' ||
        name[name.size() - temporaryMarkLength - 1] != '.')
        return false;
    return isName(name.substr(1, name.size() - temporaryMarkLength - 2));
}

}  // namespace

std::string runFolderName(std::string_view when) {
    return std::string(runPrefix) + std::string(when);
}

bool isRunFolderName(std::string_view name) {
    if (!startsWith(name, runPrefix)) return false;
    name.remove_prefix(runPrefix.size());
    if (name.size() < 15 || !digits(name.substr(0, 8)) || name[8] != '-' ||
        !digits(name.substr(9, 6)))
        return false;
    name.remove_prefix(15);
    return name.empty() || (name[0] == '-' && digits(name.substr(1)));
}

bool isLeftBehind(std::string_view name) {
    return isTemporaryOf(name, isRunFolderName) || isTemporaryOf(name, [](std::string_view base) {
               return base == reportName || base == csvName;
           });
}

std::string studentPageName(std::size_t number) {
    return std::string(pagePrefix) + std::to_string(number) + std::string(pageExtension);
}

bool isStudentPageName(std::string_view name) {
    if (name.size() <= pagePrefix.size() + pageExtension.size() || !startsWith(name, pagePrefix) ||
        name.substr(name.size() - pageExtension.size()) != pageExtension)
        return false;
    return digits(
        name.substr(pagePrefix.size(), name.size() - pagePrefix.size() - pageExtension.size()));
}

bool isReportOutput(std::string_view name) {
    return name == reportName || name == csvName || isRunFolderName(name) || isLeftBehind(name);
}

}  // namespace qatutor::inbox
