#include "inbox/file_names.h"

#include <algorithm>

#include "base/cp1252.h"
#include "base/text.h"
#include "inbox/resaved_file.h"
#include "records/record_layout.h"

namespace qatutor::inbox {
namespace {

bool endsWith(std::string_view text, std::string_view end) {
    return text.size() >= end.size() && text.substr(text.size() - end.size()) == end;
}

// Drops ".txt" in any case ("send_1207Ann_Lee.TXT" from a Windows mail program); true if there
// was one.
bool dropTxt(std::string& stem) {
    const std::size_t size = recordFileExtension.size();
    if (stem.size() < size ||
        toLower(std::string_view(stem).substr(stem.size() - size)) != recordFileExtension)
        return false;
    stem.resize(stem.size() - size);
    return true;
}

bool dropSuffix(std::string& stem, std::string_view mark) {
    if (stem.size() <= mark.size() ||
        toLower(std::string_view(stem).substr(stem.size() - mark.size())) != mark)
        return false;
    stem.resize(stem.size() - mark.size());
    return true;
}

// Drops one number a browser, mail program or file manager adds to a second file of the same
// name: "Ann_Lee (1)", "Ann_Lee(2)", "Ann_Lee-1", "Ann_Lee 2"; a year, "(2021)", is no such mark.
bool dropCopyNumber(std::string& stem) {
    constexpr std::size_t longestNumber = 3;
    std::size_t end = stem.size();
    const bool bracketed = end && stem[end - 1] == ')';
    if (bracketed) --end;
    std::size_t digits = 0;
    while (digits < end && isDigit(stem[end - 1 - digits])) ++digits;
    if (digits == 0 || digits > longestNumber || digits == end) return false;
    end -= digits;
    const char before = stem[end - 1];
    if (bracketed ? before != '(' : before != '-' && before != ' ') return false;
    --end;
    if (bracketed && end && stem[end - 1] == ' ') --end;
    if (end == 0) return false;
    stem.resize(end);
    return true;
}

// Drops the mark a Linux desktop gives the third and later copies: "Ann_Lee (3rd copy)",
// "Ann_Lee (21st copy)".
bool dropNumberedCopy(std::string& stem) {
    static constexpr std::string_view ending = " copy)";
    const std::string lower = toLower(stem);
    if (!endsWith(lower, ending)) return false;
    std::size_t end = lower.size() - ending.size();
    if (end < 2) return false;
    const std::string_view suffix = std::string_view(lower).substr(end - 2, 2);
    if (suffix != "st" && suffix != "nd" && suffix != "rd" && suffix != "th") return false;
    end -= 2;
    std::size_t digits = 0;
    while (digits < end && isDigit(lower[end - 1 - digits])) ++digits;
    if (digits == 0 || end - digits < 3 || lower.compare(end - digits - 2, 2, " (") != 0)
        return false;
    stem.resize(end - digits - 2);
    return true;
}

// Drops every mark a copy's name ends with, in any letter case: the numbers above, " - Copy"
// (Windows), " copy" (macOS), " (copy)", " (another copy)" and " (3rd copy)" (Linux desktops).
void dropCopyMarks(std::string& stem) {
    static constexpr std::string_view words[] = {" - copy", " copy", " (copy)", " (another copy)"};
    for (bool dropped = true; dropped;) {
        dropped = dropCopyNumber(stem) || dropNumberedCopy(stem);
        for (std::string_view word : words) dropped = dropped || dropSuffix(stem, word);
    }
}

// Drops "Copy of " and "Copy (2) of " (Windows) from the front of a name.
void dropCopyOf(std::string& name) {
    const std::string lower = toLower(name);
    if (!startsWith(lower, "copy ")) return;
    const std::size_t of = lower.find("of ");
    if (of == std::string::npos) return;
    const std::string_view between = std::string_view(lower).substr(5, of - 5);
    const bool numbered =
        between.empty() || (between.size() >= 4 && between.front() == '(' &&
                            between.substr(between.size() - 2) == ") " &&
                            std::all_of(between.begin() + 1, between.end() - 2, isDigit));
    if (numbered) name.erase(0, of + 3);
}

// A name as a Mac or a copy from one stores it, a letter and a combining accent ("e" U+0301),
// with the accented letters the tutor writes in their one-character form ("\xC3\xA9"), so that
// one student's files name one student. Only letters Windows-1252 holds are composed.
std::string composedLetters(const std::string& name) {
    struct Accent {
        unsigned char mark;        // second byte of the UTF-8 of U+03xx
        std::string_view letters;  // the letters it goes on
        std::string_view cp1252;   // the accented letters in Windows-1252, in the same order
    };
    static constexpr Accent accents[] = {
        {0x80, "AEIOUaeiou", "\xC0\xC8\xCC\xD2\xD9\xE0\xE8\xEC\xF2\xF9"},
        {0x81, "AEIOUYaeiouy", "\xC1\xC9\xCD\xD3\xDA\xDD\xE1\xE9\xED\xF3\xFA\xFD"},
        {0x82, "AEIOUaeiou", "\xC2\xCA\xCE\xD4\xDB\xE2\xEA\xEE\xF4\xFB"},
        {0x83, "ANOano", "\xC3\xD1\xD5\xE3\xF1\xF5"},
        {0x88, "AEIOUYaeiouy", "\xC4\xCB\xCF\xD6\xDC\x9F\xE4\xEB\xEF\xF6\xFC\xFF"},
        {0x8A, "Aa", "\xC5\xE5"},
        {0x8C, "SZsz", "\x8A\x8E\x9A\x9E"},
        {0xA7, "Cc", "\xC7\xE7"},
    };
    std::string out;
    for (std::size_t i = 0; i < name.size(); ++i) {
        if (i + 2 < name.size() && static_cast<unsigned char>(name[i + 1]) == 0xCC) {
            const auto mark = static_cast<unsigned char>(name[i + 2]);
            const Accent* accent = nullptr;
            for (const Accent& a : accents)
                if (a.mark == mark) accent = &a;
            const std::size_t at = accent ? accent->letters.find(name[i]) : std::string_view::npos;
            if (at != std::string_view::npos) {
                out += cp1252::toUtf8(accent->cp1252.substr(at, 1));
                i += 2;
                continue;
            }
        }
        out += name[i];
    }
    return out;
}

}  // namespace

std::string utf8Name(const std::string& bytes) {
    for (std::size_t at = 0; at < bytes.size();)
        if (!decodeUtf8(bytes, at)) return cp1252::toUtf8(bytes);
    return bytes;
}

std::pair<std::string, FileKind> studentOf(const std::string& fileName) {
    constexpr std::size_t dateDigits = 4;  // month and day: "send_1207"
    std::string stem = composedLetters(utf8Name(fileName));
    dropCopyOf(stem);
    FileKind kind = FileKind::other;
    if (dropTxt(stem)) {
        dropCopyMarks(stem);
        if (dropTxt(stem)) dropCopyMarks(stem);
        const std::string lower = toLower(stem);
        const std::size_t dateEnd = sendFilePrefix.size() + dateDigits;
        if (startsWith(lower, sendFilePrefix) && stem.size() >= dateEnd &&
            std::all_of(stem.begin() + sendFilePrefix.size(), stem.begin() + dateEnd, isDigit)) {
            stem = stem.substr(dateEnd);
            kind = FileKind::send;
        } else if (startsWith(lower, toLower(masterFilePrefix))) {
            stem = stem.substr(masterFilePrefix.size());
            kind = FileKind::master;
        }
    }
    if (kind != FileKind::other) std::replace(stem.begin(), stem.end(), '_', ' ');
    return {stem, kind};
}

std::string studentKey(std::string_view student) {
    std::string key;
    bool blank = true;  // drops blanks at the start, and keeps one of several
    for (std::size_t at = 0; at < student.size();) {
        const std::size_t begin = at;
        std::optional<char32_t> c = decodeUtf8(student, at);
        if (!c) at = begin + 1;
        if (c == U' ') {
            if (!blank) key += ' ';
            blank = true;
            continue;
        }
        blank = false;
        if (c && ((*c >= 'A' && *c <= 'Z') || (*c >= 0xC0 && *c <= 0xDE && *c != 0xD7)))
            cp1252::appendUtf8(key, *c + 0x20);  // A to Z, and the capitals of Latin-1
        else if (c == U'\u0160' || c == U'\u017D' || c == U'\u0152')
            cp1252::appendUtf8(key, *c + 1);  // S and Z with caron, OE
        else if (c == U'\u0178')
            cp1252::appendUtf8(key, U'\u00FF');  // Y with diaeresis
        else
            key.append(student.substr(begin, at - begin));
    }
    if (!key.empty() && key.back() == ' ') key.pop_back();
    return key;
}

std::string personKey(std::string_view student, std::string_view identity) {
    return studentKey(student) + '\n' + studentKey(identity);
}

bool isNotesFileName(std::string_view name) {
    return startsWith(toLower(name), toLower(notesFilePrefix)) &&
           endsWith(toLower(name), recordFileExtension);
}

bool identitiesApart(const std::map<std::string, std::set<std::string>>& assignmentsOf) {
    std::set<std::string> seen;
    for (const auto& [identity, assignments] : assignmentsOf) {
        if (identity.empty()) continue;
        for (const std::string& assignment : assignments)
            if (!seen.insert(assignment).second) return true;
    }
    return false;
}

}  // namespace qatutor::inbox
