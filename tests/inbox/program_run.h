// Starting a program from the inbox's tests, as the system starts it, and killing it: the one
// place where the tests differ between Linux and Windows in how a program runs.
#pragma once

#include <chrono>
#include <string>
#include <vector>

namespace qatutor::testing {

// Runs `program` with `arguments` (a command line's text, UTF-8; quotes keep blanks together)
// and waits for its end: its exit status, -1 when it could not start or did not exit. What it
// writes on its standard output and error goes to `outputFile` when one is named, else nowhere.
// No display is there for it: the inbox never opens its folder dialog then.
int runCommand(const std::string& program, const std::string& arguments,
               const std::string& outputFile = {});

// runCommand on qatutor-inbox.
int runProgram(const std::string& arguments, const std::string& outputFile = {});

// Starts qatutor-inbox on `folder` and kills it after `delay`.
void killProgramAfter(const std::string& folder, std::chrono::milliseconds delay);

// Moments to kill the program at, in milliseconds, from before it has started (a Windows
// process takes a while to start) to near the end of a run.
extern const std::vector<int> killDelays;

}  // namespace qatutor::testing
