// The inbox's one error: what could not be read or written, and why, in words for the instructor.
#pragma once

#include <stdexcept>
#include <string>

namespace qatutor::inbox {

// Every part of the inbox that fails throws it, the platform's calls with the system's reason in
// its own words ("Permission denied", "Access is denied"). It is caught where a failure becomes
// what the instructor reads: a file or folder that is not read becomes its line in the report
// (inbox.h, inbox_listing.h), a mistake in the command line its usage message (app/main.cpp),
// and anything else ends the run without a report (runInbox, which hands it on in
// InboxRun::failure). What the report says of a student's file that is no record file
// (ParsedFile::problem) is a fact about that file, not a failure. The few clean-up steps that
// may fail without a word say so, and why that loses nothing.
class InboxError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Calls `step`; an InboxError it throws is thrown again with what was being done in front:
//   explained("cannot write report.html", step that fails with "Permission denied")
//   throws "cannot write report.html: Permission denied"
template <typename Step>
decltype(auto) explained(const std::string& what, Step&& step) {
    try {
        return step();
    } catch (const InboxError& error) {
        throw InboxError(what + ": " + error.what());
    }
}

}  // namespace qatutor::inbox
