// Who is who in the class: the names in the students' files matched to the people of the class
// (the class list's members, the alias groups, the course platform's people), one row each;
// and, for the report's section on the class, who on the list has not handed in each assignment,
// the names that are not on the list, and the names that may be one student's.
#pragma once

#include <cstdio>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "inbox/class_list.h"

namespace qatutor::inbox {

// One person's work on one assignment, as the overview shows it.
struct HandedIn {
    std::string student;     // UTF-8, empty when the files name nobody
    std::string identity;    // the course platform's identity of the person, or empty
    std::string assignment;  // "003"
};

struct ClassView {
    bool listGiven = false;
    std::size_t members = 0;
    std::map<std::string, std::vector<std::string>> missing;  // assignment -> names on the list
    std::vector<std::string> nothingHandedIn;                 // names on the list
    std::vector<std::string> notOnList;                       // names in the files
    std::vector<std::string> namedTwice;      // names the class list holds more than once whose
                                              // work the files cannot share out among them
    std::vector<std::string> aliasConflicts;  // "Ann Lee = Anne Lee": members joined by aliases
    std::vector<std::pair<std::string, std::string>> nearMatches;  // possibly one student's
};

// The view of `work` against `list` (nullptr: no class list given), each work matched to its
// row as rowsOf matches it. A person whose files name nobody is matched by the name in their
// platform identity ("Ann Lee_1234567").
ClassView viewClass(const std::vector<HandedIn>& work, const ClassList* list,
                    const AliasGroups& aliases = {});

// The rows of the class, one per person. With a class list, first every member in the list's
// order, holding the work of the names that match them: their own name before any member's
// alias, their aliases, and the alias groups that hold any of these. Then, by name, each alias
// group's other work under the group's first name (groups that share a name are one group), and
// each other name's. The work of one name is one person's unless two of the course platform's
// identities handed in one assignment: then each identity is a person (a row of their own, or
// the next member of that name on the list), since a platform gives a person another identity
// in each download. Work that an alias joins to a name is that name's first person's.
struct ClassRows {
    std::vector<std::string> names;       // each row's name, UTF-8
    std::vector<std::string> identities;  // each row's platform identity, when it is one person's
    std::vector<std::size_t> rowOf;       // each work's row
    std::size_t members = 0;              // the first rows are the class list's members
    std::vector<std::string> notes;       // each row's doubt about who it is, or empty
    std::vector<std::string> namedTwice;  // names the class list holds more than once whose
                                          // work the files cannot share out among them
    std::vector<std::string> aliasConflicts;  // alias groups that join two members' own names
};
ClassRows rowsOf(const std::vector<HandedIn>& work, const ClassList* list,
                 const AliasGroups& aliases = {});

// The report's section on the class; nothing when there is nothing to say. Of many pairs of
// names that may be one student's, the first few, and `everyPairLink` to the page with all.
void writeClassSection(std::FILE* out, const ClassView& view, const std::string& everyPairLink);

// The pairs of names that may be one student's: at most `most`, and when there are more, a line
// that says how many more and links to `everyPairLink`.
void writeNearMatches(std::FILE* out, const ClassView& view, std::size_t most,
                      const std::string& everyPairLink);

}  // namespace qatutor::inbox
