// Texts between the program's UTF-8 and the Windows API: file names in UTF-16, and system errors
// in the same words the POSIX side uses. The host and the inbox both speak to Windows through
// these.
#pragma once

#include <windows.h>

#include <string>

namespace qatutor::win32 {

// "c:\\kavrodel\\notes_Zoë.txt" (UTF-8) -> L"c:\\kavrodel\\notes_Zoë.txt"
std::wstring wide(const std::string& utf8);
std::string utf8(const std::wstring& wide);

// The errno value that says what a Windows error says, so that messages read as they do on other
// systems ("No such file or directory", "No space left on device"); 0 for an error it has none
// for, or whose C library words would say less than Windows' own (a file in use by another
// process: Windows' C library calls EBUSY "Resource device").
int errnoOf(DWORD error);
// "No such file or directory" for ERROR_PATH_NOT_FOUND; Windows' own words for the others.
std::string errorText(DWORD error);

}  // namespace qatutor::win32
