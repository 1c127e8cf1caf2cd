// A record file that an editor or a mail program saved again, given back the bytes the tutor
// wrote: Windows-1252 characters, CR LF line ends and the blanks at the ends of the labels. Each
// repair says whether it changed anything, so that the report can remark on it.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace qatutor::inbox {

// What a repair writes for a character that a re-save could not keep.
inline constexpr char replacedCharacter = '?';

// The code point of the UTF-8 sequence at `at`, moving `at` past it; nothing, and `at` left as
// it is, where the bytes there are no UTF-8 of a code point.
//   decodeUtf8("\xC3\xA9", at = 0) -> U+00E9, at = 2     decodeUtf8("\xE9", at = 0) -> nothing
std::optional<char32_t> decodeUtf8(std::string_view bytes, std::size_t& at);

// The UTF-16 code unit of the two bytes at `at`, in the byte order given.
//   utf16Unit("A\0", 0, true) -> U+0041     utf16Unit("\0A", 0, false) -> U+0041
char32_t utf16Unit(std::string_view bytes, std::size_t at, bool littleEndian);

// A file whose line ends a mail program turned into LF (no CR anywhere) gets its CR LF back.
// Returns true when it changed anything.
bool normalizeLineEnds(std::string& bytes);

// How an editor saved a record file again, if it did.
enum class Resave {
    none,
    utf8,          // as UTF-8
    utf8Replaced,  // as UTF-8, every byte it could not read replaced by U+FFFD
    utf16,         // as UTF-16 (Notepad's "Unicode"), either byte order, with or without its mark
};

// A file that an editor saved again gets its Windows-1252 bytes back; a character the editor
// replaced becomes "?". The tutor's own files are never valid UTF-8 beyond ASCII, nor UTF-16:
// the noise line of every file header is random bytes from 66 to 255.
//   "caf\xC3\xA9" -> "caf\xE9" (utf8)     "\xEF\xBB\xBFabc" (a byte-order mark) -> "abc" (utf8)
//   "\xFF\xFEa\0b\0" -> "ab" (utf16)       "caf\xEF\xBF\xBD" -> "caf?" (utf8Replaced)
Resave restoreWindows1252(std::string& bytes);

// A file whose lines lost their trailing blanks (an editor's "trim trailing whitespace") gets
// them back where the layout has them: "RESPONSE -->" -> "RESPONSE -->  ", and the rating and
// notes labels. Only a file none of whose lines ends in a blank is changed; true when it was.
bool restoreTrimmedBlanks(std::string& bytes);

}  // namespace qatutor::inbox
