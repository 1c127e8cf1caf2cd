#include "inbox/class_list.h"

#include <algorithm>
#include <optional>

#include "base/cp1252.h"
#include "base/text.h"
#include "inbox/file_names.h"
#include "inbox/inbox_error.h"
#include "inbox/resaved_file.h"
#include "inbox/text_encoding.h"

namespace qatutor::inbox {
namespace {

// Letters Latin-1 accents, from U+00E0 on, without their accents ("" for the sign of division).
constexpr std::string_view plainLetters[32] = {
    "a", "a", "a", "a", "a", "a", "ae", "c", "e", "e", "e", "e", "i", "i", "i",  "i",
    "d", "n", "o", "o", "o", "o", "o",  "",  "o", "u", "u", "u", "u", "y", "th", "y"};

// The cells of each row: quoted cells may hold the separator, quotes ("") and line breaks.
// Without a separator each row is one cell: a plain list's name, its quotes taken off.
std::vector<std::vector<std::string>> rowsOf(std::string_view text, std::optional<char> separator) {
    std::vector<std::vector<std::string>> rows(1);
    std::string cell;
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"')
                cell += text[++i];
            else if (c == '"')
                quoted = false;
            else
                cell += c;
        } else if (c == '"') {
            quoted = true;
        } else if (c == separator || c == '\n') {
            rows.back().push_back(trimmed(cell));
            cell.clear();
            if (c == '\n') rows.emplace_back();
        } else {
            cell += c;
        }
    }
    rows.back().push_back(trimmed(cell));
    return rows;
}

std::string firstLineOf(std::string_view text) { return trimmed(text.substr(0, text.find('\n'))); }

// The separator the heading row uses most: ',', ';' or '\t'.
char separatorOf(std::string_view text) {
    const std::string heading = firstLineOf(text);
    char best = ',';
    std::ptrdiff_t most = 0;
    for (char separator : {',', ';', '\t'})
        if (const auto n = std::count(heading.begin(), heading.end(), separator); n > most)
            best = separator, most = n;
    return best;
}

struct Columns {
    std::optional<std::size_t> whole, given, family, aliases;
};

// The columns the heading names; none when the first row is no heading.
Columns columnsOf(const std::vector<std::string>& heading) {
    Columns columns;
    for (std::size_t i = 0; i < heading.size(); ++i) {
        const std::string cell = toLower(heading[i]);
        if (cell == "name" || cell == "student" || cell == "full name" || cell == "student name")
            columns.whole = i;
        else if (cell == "first name" || cell == "given name" || cell == "given names" ||
                 cell == "first")
            columns.given = i;
        else if (cell == "last name" || cell == "surname" || cell == "family name" ||
                 cell == "last")
            columns.family = i;
        else if (cell == "aliases" || cell == "alias")
            columns.aliases = i;
    }
    if (!columns.given || !columns.family) columns.given = columns.family = std::nullopt;
    return columns;
}

constexpr const char* headingsRead =
    "the names' column is headed Name, Student or Full name, or First name (or Given names) with "
    "Last name (or Surname, Family name); a plain list has one name a line";

// Whether the first row, which names no column read, is the heading of a table all the same
// rather than a plain list's first name: its cells are separated by tabs or semicolons, or by
// commas into three or more, or into two with no blank after a comma. "Lee, Ann" and
// "\"Lee,Ann\"" are a name; "Username,Email" and "Username;Email" a heading.
bool headingUnread(std::string_view text, const std::vector<std::string>& firstRow,
                   char separator) {
    const auto cells = std::count_if(firstRow.begin(), firstRow.end(),
                                     [](const std::string& cell) { return !cell.empty(); });
    if (separator != ',') return cells >= 2;
    return cells >= 3 || (cells == 2 && firstLineOf(text).find(", ") == std::string::npos);
}

// "Lee, Ann" -> "Ann Lee"; a name without a comma stays as it is.
std::string givenNameFirst(const std::string& name) {
    const std::size_t comma = name.find(',');
    if (comma == std::string::npos) return name;
    return trimmed(std::string_view(name).substr(comma + 1)) + " " + trimmed(name.substr(0, comma));
}

std::vector<std::string> aliasesIn(const std::string& cell) {
    std::vector<std::string> aliases = piecesOf(cell, ';');
    aliases.erase(std::remove(aliases.begin(), aliases.end(), std::string()), aliases.end());
    return aliases;
}

std::string cellOf(const std::vector<std::string>& row, std::optional<std::size_t> column) {
    return column && *column < row.size() ? row[*column] : std::string();
}

ClassMember memberOf(const std::vector<std::string>& row, const Columns& columns) {
    ClassMember member;
    if (columns.whole)
        member.name = givenNameFirst(cellOf(row, columns.whole));
    else
        member.name = trimmed(cellOf(row, columns.given) + " " + cellOf(row, columns.family));
    member.aliases = aliasesIn(cellOf(row, columns.aliases));
    return member;
}

// The letters of a name in lower case without accents, blanks single: "Zoë  BRONTË" -> "zoe
// bronte".
std::string plainName(std::string_view name) {
    const std::string key = studentKey(name);
    std::string plain;
    for (std::size_t at = 0; at < key.size();) {
        const std::size_t begin = at;
        const std::optional<char32_t> c = decodeUtf8(key, at);
        if (!c) at = begin + 1;
        if (c && *c >= 0xE0 && *c <= 0xFF)
            plain += plainLetters[*c - 0xE0];
        else if (c == U'\u00DF')
            plain += "ss";
        else if (c == U'\u0161' || c == U'\u017E')
            plain += *c == U'\u0161' ? 's' : 'z';
        else if (c == U'\u0153')
            plain += "oe";
        else
            plain.append(key, begin, at - begin);
    }
    return plain;
}

std::size_t editDistance(std::string_view a, std::string_view b) {
    std::vector<std::size_t> row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j) row[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        std::size_t diagonal = row[0];
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t above = row[j];
            row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
            diagonal = above;
        }
    }
    return row[b.size()];
}

}  // namespace

ClassList parseClassList(std::string_view bytes) {
    const std::string text = utf8TextOf(bytes);
    const char separator = separatorOf(text);
    std::vector<std::vector<std::string>> rows = rowsOf(text, separator);
    const Columns columns = columnsOf(rows.front());
    const bool heading = columns.whole || columns.given;
    if (!heading && headingUnread(text, rows.front(), separator))
        throw InboxError("the first line, \"" + firstLineOf(text) +
                         "\", is no heading read: " + headingsRead);
    if (!heading) rows = rowsOf(text, std::nullopt);  // a plain list: a name a line
    ClassList members;
    for (std::size_t r = heading ? 1 : 0; r < rows.size(); ++r) {
        ClassMember member =
            heading ? memberOf(rows[r], columns) : ClassMember{givenNameFirst(rows[r][0]), {}};
        if (!member.name.empty()) members.push_back(std::move(member));
    }
    if (members.empty()) throw InboxError("names no student");
    return members;
}

AliasGroups parseAliases(std::string_view bytes) {
    const std::vector<std::string> lines = piecesOf(utf8TextOf(bytes), '\n');
    AliasGroups groups;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (lines[i].empty() || lines[i][0] == '#') continue;
        const std::string where = "line " + std::to_string(i + 1) + ": ";
        std::vector<std::string> names = piecesOf(lines[i], '=');
        if (names.size() < 2)
            throw InboxError(where + "one name only, \"" + lines[i] +
                             "\"; the names of one student stand on one line, separated by \"=\"");
        if (std::find(names.begin(), names.end(), std::string()) != names.end())
            throw InboxError(where + "an empty name beside an \"=\"");
        groups.push_back(std::move(names));
    }
    return groups;
}

std::string looseName(std::string_view name) {
    const std::string plain = plainName(name);
    std::vector<std::string> words;
    for (std::size_t start = 0; start < plain.size();) {
        const std::size_t end = std::min(plain.find(' ', start), plain.size());
        words.push_back(plain.substr(start, end - start));
        start = end + 1;
    }
    std::sort(words.begin(), words.end());
    std::string loose;
    for (const std::string& word : words) loose += (loose.empty() ? "" : " ") + word;
    return loose;
}

bool nearNames(std::string_view a, std::string_view b) {
    constexpr std::size_t longName = 12;
    if (studentKey(a) == studentKey(b) || a.empty() || b.empty()) return false;
    if (looseName(a) == looseName(b)) return true;
    const std::string plainA = plainName(a), plainB = plainName(b);
    const std::size_t allowed = std::min(plainA.size(), plainB.size()) >= longName ? 2 : 1;
    return editDistance(plainA, plainB) <= allowed;
}

}  // namespace qatutor::inbox
