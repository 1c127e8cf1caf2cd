#include "inbox/desktop_start.h"

#include "inbox/run_inbox.h"

namespace qatutor::inbox {

int runFromDesktop(Desktop& desktop, const CourseIndex& course) {
    const std::optional<std::string> folder = desktop.chooseFolder();
    if (!folder) return everyFileRead;
    const InboxRun run = runInbox({*folder}, *folder, course);
    if (run.failure)
        desktop.showError(run.failure->what());
    else if (!desktop.openInBrowser(run.reportPath))
        desktop.showReportPlace(run.reportPath);
    return exitStatusOf(run);
}

}  // namespace qatutor::inbox
