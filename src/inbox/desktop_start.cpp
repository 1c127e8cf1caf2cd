#include "inbox/desktop_start.h"

#include <array>
#include <vector>

#include "base/text.h"
#include "inbox/class_list.h"
#include "inbox/file_names.h"
#include "inbox/inbox.h"
#include "inbox/inbox_error.h"
#include "inbox/platform.h"
#include "inbox/run_inbox.h"

namespace qatutor::inbox {
namespace {

// Whether a file's name is plainly a class list's: "classlist.csv", "Class List.txt",
// "roster-week1.csv", "Math 101 grades.csv".
bool classListName(const std::string& name) {
    const std::string lower = toLower(name);
    const std::size_t dot = lower.rfind('.');
    if (dot == std::string::npos) return false;
    const std::string_view stem = std::string_view(lower).substr(0, dot);
    const std::string_view extension = std::string_view(lower).substr(dot);
    if (extension != ".csv" && extension != ".txt") return false;
    static constexpr std::array<std::string_view, 5> beginnings = {
        "classlist", "class list", "class_list", "class-list", "roster"};
    for (std::string_view beginning : beginnings)
        if (startsWith(stem, beginning)) return true;
    return extension == ".csv" && stem.find("grades") != std::string_view::npos;
}

// The one file in `folder` that is plainly a class list; empty when there is none, or several.
std::string suggestedClassList(const std::string& folder) {
    std::vector<std::string> found;
    try {
        for (const std::string& name : namesIn(folder))
            if (classListName(name) &&
                entryKindOf(joinPath(folder, name)) == EntryKind::regularFile)
                found.push_back(joinPath(folder, name));
    } catch (const InboxError&) {
        return {};  // the folder cannot be read: the report says why
    }
    return found.size() == 1 ? found.front() : std::string();
}

// The class list the instructor chose, `file`, read; nothing when they skipped it or it cannot
// be read, which is told.
std::optional<ClassList> chosenClassList(Desktop& desktop, const std::optional<std::string>& file) {
    if (!file) return std::nullopt;
    try {
        return parseClassList(readWholeFile(*file));
    } catch (const InboxError& error) {
        desktop.showError("The class list " + utf8Name(*file) + " cannot be read: " + error.what() +
                          ".\nThe report is written without it.");
        return std::nullopt;
    }
}

}  // namespace

int runFromDesktop(Desktop& desktop, const CourseIndex& course) {
    const std::optional<std::string> folder = desktop.chooseFolder();
    if (!folder) return everyFileRead;
    const std::optional<std::string> file =
        desktop.chooseClassList(*folder, suggestedClassList(*folder));
    const std::optional<ClassList> classList = chosenClassList(desktop, file);
    // The file chosen is the instructor's even when it cannot be read: no student's file.
    std::vector<InstructorsFile> instructors;
    if (file) instructors.push_back({*file, "the class list"});
    const InboxRun run =
        runInbox({*folder}, *folder, course, classList ? &*classList : nullptr, {}, instructors);
    if (run.failure)
        desktop.showError(std::string("The report could not be written:\n") + run.failure->what());
    else if (!desktop.openInBrowser(run.reportPath))
        desktop.showReportPlace(run.reportPath);
    return exitStatusOf(run);
}

}  // namespace qatutor::inbox
