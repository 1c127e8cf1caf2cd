#include "program_run.h"

#ifdef _WIN32
#include <windows.h>

#include "base/win32/system_text.h"
#else
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <thread>
#endif

namespace qatutor::testing {

#ifdef _WIN32
namespace {

// The program started with its output and errors to `outputFile`, or nowhere; null handles
// when it could not start.
PROCESS_INFORMATION start(const std::string& program, const std::string& arguments,
                          const std::string& outputFile) {
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    const HANDLE nowhere =
        ::CreateFileA("NUL", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                      &inherited, OPEN_EXISTING, 0, nullptr);
    const HANDLE output =
        outputFile.empty() ? nowhere
                           : ::CreateFileW(win32::wide(outputFile).c_str(), GENERIC_WRITE,
                                           FILE_SHARE_READ, &inherited, CREATE_ALWAYS, 0, nullptr);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = nowhere;
    startup.hStdOutput = startup.hStdError = output;
    // The arguments as UTF-8, the way the inbox takes its paths, passed on in UTF-16.
    std::wstring command = win32::wide("\"" + program + "\" " + arguments);
    PROCESS_INFORMATION process{};
    if (!::CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                          nullptr, nullptr, &startup, &process))
        process = {};
    if (output != nowhere) ::CloseHandle(output);
    ::CloseHandle(nowhere);
    return process;
}

// Waits for the program to end, or ends it first after `killAfter` milliseconds, if given; its
// exit status.
int endOf(PROCESS_INFORMATION process, int killAfter = -1) {
    if (!process.hProcess) return -1;
    if (killAfter >= 0) {
        ::Sleep(static_cast<DWORD>(killAfter));
        ::TerminateProcess(process.hProcess, 137);
    }
    ::WaitForSingleObject(process.hProcess, INFINITE);
    DWORD status = 0;
    ::GetExitCodeProcess(process.hProcess, &status);
    ::CloseHandle(process.hThread);
    ::CloseHandle(process.hProcess);
    return static_cast<int>(status);
}

}  // namespace

int runCommand(const std::string& program, const std::string& arguments,
               const std::string& outputFile) {
    return endOf(start(program, arguments, outputFile));
}

void killProgramAfter(const std::string& folder, std::chrono::milliseconds delay) {
    endOf(start(QATUTOR_INBOX_PROGRAM, folder, {}), static_cast<int>(delay.count()));
}

const std::vector<int> killDelays = {0, 150, 300, 500, 700, 900, 1100, 1400, 1800};
#else
int runCommand(const std::string& program, const std::string& arguments,
               const std::string& outputFile) {
    const std::string output = outputFile.empty() ? "/dev/null" : "\"" + outputFile + "\"";
    const int status = std::system(("env -u DISPLAY -u WAYLAND_DISPLAY -u QT_QPA_PLATFORM \"" +
                                    program + "\" " + arguments + " >" + output + " 2>&1")
                                       .c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

void killProgramAfter(const std::string& folder, std::chrono::milliseconds delay) {
    const pid_t child = ::fork();
    if (child < 0) return;
    if (child == 0) {
        ::freopen("/dev/null", "w", stdout);
        ::execl(QATUTOR_INBOX_PROGRAM, "qatutor-inbox", folder.c_str(), nullptr);
        ::_exit(127);
    }
    std::this_thread::sleep_for(delay);
    ::kill(child, SIGKILL);
    ::waitpid(child, nullptr, 0);
}

const std::vector<int> killDelays = {0, 1, 2, 4, 8, 15, 25, 40, 60, 90, 130};
#endif

int runProgram(const std::string& arguments, const std::string& outputFile) {
    return runCommand(QATUTOR_INBOX_PROGRAM, arguments, outputFile);
}

}  // namespace qatutor::testing
