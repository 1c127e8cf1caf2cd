// Where a file's name becomes a student: the tutor names its files after the student, and the
// inbox takes the student from that name, in any letter case and with the marks that file
// managers and mail programs add to a copy ("Copy of ", " (1)", " 2", " - Copy"):
//   send_1207Ann_Lee.txt     the send file of Ann Lee, run started on 7 December
//   masterFile_Ann_Lee.txt   Ann Lee's master file
// Other names are read by their content, the student named after the file.
#pragma once

#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>

namespace qatutor::inbox {

enum class FileKind { send, master, other };

// The student's name from a file name: "send_1207Ann_Lee.txt" -> "Ann Lee"; kind by the name.
//   studentOf("masterFile_Ann_Lee.txt") -> {"Ann Lee", master}   studentOf("x.txt") -> {"x", other}
//   studentOf("Copy of SEND_1207ANN_LEE (1).TXT") -> {"ANN LEE", send}
std::pair<std::string, FileKind> studentOf(const std::string& fileName);

// What two spellings of one student's name share: letters in lower case, blanks single.
//   studentKey("ANN  LEE") -> "ann lee"     studentKey("\xC3\x89mile") -> "\xC3\xA9mile"
std::string studentKey(std::string_view student);

// What the files of one person share: the student's key, and the course platform's identity of
// the person, in the same way. Two people of one name on a platform are two people.
//   personKey("ANN LEE", "Ann Lee_1234567") -> "ann lee\nann lee_1234567"
std::string personKey(std::string_view student, std::string_view identity);

// Whether the work of one name is more than one person's: two of the course platform's
// identities ("Ann Lee_1234567") that each handed in one assignment. A platform gives a person
// another identity in each download, so identities that never meet on an assignment are one
// person's; files of no platform (the identity "") meet none.
//   identitiesApart({{"a_1", {"001"}}, {"a_2", {"002"}}, {"", {"001"}}}) -> false
//   identitiesApart({{"a_1", {"001"}}, {"a_2", {"001"}}}) -> true
bool identitiesApart(const std::map<std::string, std::set<std::string>>& assignmentsOf);

// A file name as UTF-8: kept when it already is, else read as Windows-1252.
std::string utf8Name(const std::string& bytes);

// "notes_Ann_Lee.txt": the notes file, whose notes the send and master files hold as well.
bool isNotesFileName(std::string_view name);

}  // namespace qatutor::inbox
