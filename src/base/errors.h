// The error the tutor cannot carry on after.
#pragma once

#include <stdexcept>

namespace qatutor {

// Something went wrong that the running command cannot recover from: a host operation failed,
// a number overflowed, a coded character fell outside 0 to 255, the bank was asked for a line it
// cannot have, or the built-in bank is damaged. The window shows `what()` and ends the program;
// start-up turns a few of them into messages of its own first.
class TutorError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace qatutor
