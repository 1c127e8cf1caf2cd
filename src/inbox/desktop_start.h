// The inbox started from the desktop menu: the instructor chooses the folder in a dialog, the
// report is written into it and opened in the web browser. The program shows the dialogs with
// Qt (app/main.cpp); the tests script them. Every text between the two is UTF-8, and every path
// as the inbox keeps it (platform.h).
#pragma once

#include <optional>
#include <string>

#include "inbox/course_index.h"

namespace qatutor::inbox {

class Desktop {
public:
    virtual ~Desktop() = default;
    // The folder the instructor chose; nothing when they cancelled.
    virtual std::optional<std::string> chooseFolder() = 0;
    // Opens the report in the web browser; false when nothing could open it.
    virtual bool openInBrowser(const std::string& reportPath) = 0;
    // Tells where the report is, when no browser opened it.
    virtual void showReportPlace(const std::string& reportPath) = 0;
    // Tells why the report could not be written.
    virtual void showError(const std::string& reason) = 0;
};

// Asks for the folder, writes the report there and shows it: the program's exit status, as the
// command line's (exitStatusOf), 0 when the instructor cancelled.
int runFromDesktop(Desktop& desktop, const CourseIndex& course);

}  // namespace qatutor::inbox
