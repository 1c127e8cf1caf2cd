// The class as a course platform exports it, and how the names in the students' files meet it.
// A class list is a CSV table with a heading row that names its names' columns, or a plain list
// of one name a line:
//   Name,Email                 one column of whole names ("Student" and "Full name" too)
//   First name,Surname,...     given and family names ("Given names"; "Last name", "Family name")
//   "Lee, Ann"                 a family name first, before a comma, is put after the given name
//   Ann Lee                    a plain list, quoted or not: "Lee, Ann" and Lee, Ann are Ann Lee
// An "Aliases" column holds other names of the student, separated by ";": the names a student
// typed into the tutor that are this student.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace qatutor::inbox {

struct ClassMember {
    std::string name;                  // UTF-8
    std::vector<std::string> aliases;  // UTF-8
};

using ClassList = std::vector<ClassMember>;

// Names the instructor says are one student, each group's first the name the report shows:
// {{"Ann Lee", "Anne Lee", "Lee Ann"}}. Names in one group are never told apart, nor pointed
// out as possibly one student.
using AliasGroups = std::vector<std::vector<std::string>>;

// The members of a class list's bytes, in any encoding of text_encoding.h (UTF-8, UTF-16,
// Windows-1252); cells separated by commas, semicolons or tabs, whichever the heading row uses.
// Throws InboxError saying why when the bytes are no text, when the first line is a table's
// heading that names no column above (tabs or semicolons between its cells, or commas between
// three or more, or between two with no blank after the comma: "Username,Email"), and when the
// list names no student.
ClassList parseClassList(std::string_view bytes);

// The groups of an aliases file: a student a line, their names separated by "=", the first the
// name the report shows; blank lines and lines that start with "#" left out. The encodings are
// a class list's.
//   "# spelled two ways\nAnn Lee = Anne Lee = Lee Ann\n" -> {{"Ann Lee", "Anne Lee", "Lee Ann"}}
// Throws InboxError with the line's number when a line holds one name only or an empty one,
// and saying why when the bytes are no text.
AliasGroups parseAliases(std::string_view bytes);

// A name with accents, letter case, blanks and the order of its words set aside, for telling
// names that differ only in these:
//   looseName("Zo\xC3\xAB  BRONT\xC3\x8B") -> "bronte zoe"     looseName("Lee Ann") -> "ann lee"
std::string looseName(std::string_view name);

// Whether two names that are not one (studentKey) may still name one student: they differ only
// in accents, letter case or the order of their words, or by a letter or two ("Ann Lee", "Anne
// Lee"; two in names of 12 letters and more).
bool nearNames(std::string_view a, std::string_view b);

}  // namespace qatutor::inbox
