// The inbox started from the desktop menu: the instructor chooses the folder in a dialog, then,
// if they like, the class list; the report is written into the folder and opened in the web
// browser. The program shows the dialogs with Qt (app/main.cpp); the tests script them. Every
// text between the two is UTF-8, and every path as the inbox keeps it (platform.h).
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
    // The class list the instructor chose for the report on `folder`, with `suggested` (a file
    // in it that is plainly a class list, or empty) offered first; nothing when they skipped it.
    virtual std::optional<std::string> chooseClassList(const std::string& folder,
                                                       const std::string& suggested) = 0;
    // Opens the report in the web browser; false when nothing could open it.
    virtual bool openInBrowser(const std::string& reportPath) = 0;
    // Tells where the report is, when no browser opened it.
    virtual void showReportPlace(const std::string& reportPath) = 0;
    // Tells what went wrong, in a whole sentence: the report could not be written, or the class
    // list could not be read.
    virtual void showError(const std::string& message) = 0;
};

// Asks for the folder and the class list, writes the report there and shows it: the program's
// exit status, as the command line's (exitStatusOf), 0 when the instructor cancelled. A class
// list that cannot be read is told, and the report written without it: the instructor learns
// why at once, and the report on the students' files is there all the same.
int runFromDesktop(Desktop& desktop, const CourseIndex& course);

}  // namespace qatutor::inbox
