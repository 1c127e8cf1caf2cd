// The inbox's command line and console on Windows. Windows hands a program its arguments in the
// system's code page, which cannot hold every name ("C:\Élèves" can, "C:\Μαθηματικά" cannot),
// so they are taken from the wide command line instead. A console is written in UTF-16, which it
// shows whatever its code page, so the code page of the instructor's console is never changed.
#include <windows.h>
// after windows.h, which it needs
#include <shellapi.h>

#include <cstdio>

#include "base/win32/system_text.h"
#include "inbox/platform.h"

namespace qatutor::inbox {
namespace {

void write(DWORD handleName, std::FILE* stream, std::string_view utf8) {
    const HANDLE handle = ::GetStdHandle(handleName);
    DWORD mode = 0;
    if (handle && handle != INVALID_HANDLE_VALUE && ::GetConsoleMode(handle, &mode)) {
        const std::wstring text = win32::wide(std::string(utf8));
        DWORD written = 0;
        ::WriteConsoleW(handle, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        return;
    }
    std::fwrite(utf8.data(), 1, utf8.size(), stream);
}

}  // namespace

std::vector<std::string> commandLineArguments(int argc, char** argv) {
    int count = 0;
    wchar_t** arguments = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (!arguments) return std::vector<std::string>(argv + 1, argv + argc);
    std::vector<std::string> utf8;
    for (int i = 1; i < count; ++i) utf8.push_back(win32::utf8(arguments[i]));
    // A folder typed in quotes with a backslash at its end, "C:\My Mail\", reaches a program as
    // C:\My Mail" when it is the last argument, since \" stands for a quote there. No Windows
    // name holds a quote: the backslash is put back.
    if (!utf8.empty() && !utf8.back().empty() && utf8.back().back() == '"')
        utf8.back().back() = '\\';
    ::LocalFree(arguments);
    return utf8;
}

void writeOutput(std::string_view utf8) { write(STD_OUTPUT_HANDLE, stdout, utf8); }
void writeError(std::string_view utf8) { write(STD_ERROR_HANDLE, stderr, utf8); }

bool desktopAvailable() { return true; }

void leaveOwnConsole() {
    DWORD processes[2];
    if (::GetConsoleProcessList(processes, 2) == 1) ::FreeConsole();
}

}  // namespace qatutor::inbox
