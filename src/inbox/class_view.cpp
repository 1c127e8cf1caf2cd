#include "inbox/class_view.h"

#include <algorithm>
#include <set>
#include <tuple>

#include "base/text.h"
#include "inbox/download_names.h"
#include "inbox/file_names.h"
#include "inbox/html.h"

namespace qatutor::inbox {
namespace {

// Pairs of names that may be one student's, at most, on the report's first page: a class whose
// names follow a pattern ("Student 001", "Student 002") would give thousands.
constexpr std::size_t nearShown = 30;

// The name of a person's work: the student's, else the name a platform's identity begins with.
//   nameOf({"", "Ann Lee_1234567", "003"}) -> "Ann Lee"
std::string nameOf(const HandedIn& work) {
    if (!work.student.empty()) return work.student;
    std::string name = nameInIdentity(work.identity);
    const std::size_t underscore = name.rfind('_');
    if (underscore != std::string::npos && underscore + 1 < name.size() &&
        std::all_of(name.begin() + static_cast<std::ptrdiff_t>(underscore) + 1, name.end(),
                    isDigit))
        name.resize(underscore);
    return name;
}

// The alias groups with those that share a name merged into one: "Ann Lee = Anne Lee" and
// "Anne Lee = Annie Lee" are one student, named by the first name of the earliest group.
struct MergedAliases {
    std::map<std::string, std::size_t> groupOf;  // studentKey -> merged group
    std::vector<std::string> names;              // each merged group's name
    std::vector<std::set<std::string>> keys;     // each merged group's students' keys
};

MergedAliases mergedAliases(const AliasGroups& aliases) {
    // Each group joins the earliest group it shares a name with, so a merged group's root is its
    // earliest group.
    std::vector<std::size_t> root(aliases.size());
    for (std::size_t g = 0; g < root.size(); ++g) root[g] = g;
    auto rootOf = [&](std::size_t g) {
        while (root[g] != g) g = root[g] = root[root[g]];
        return g;
    };
    std::map<std::string, std::size_t> firstGroup;  // studentKey -> the first group naming it
    for (std::size_t g = 0; g < aliases.size(); ++g)
        for (const std::string& name : aliases[g]) {
            const auto [first, isNew] = firstGroup.try_emplace(studentKey(name), g);
            if (isNew) continue;
            const std::size_t a = rootOf(first->second), b = rootOf(g);
            root[std::max(a, b)] = std::min(a, b);
        }
    MergedAliases merged;
    std::map<std::size_t, std::size_t> mergedOf;  // root group -> merged group
    for (std::size_t g = 0; g < aliases.size(); ++g) {
        if (aliases[g].empty()) continue;
        const auto [at, isNew] = mergedOf.try_emplace(rootOf(g), merged.names.size());
        if (isNew) {
            merged.names.push_back(aliases[rootOf(g)].front());
            merged.keys.emplace_back();
        }
        for (const std::string& name : aliases[g]) {
            merged.keys[at->second].insert(studentKey(name));
            merged.groupOf[studentKey(name)] = at->second;
        }
    }
    return merged;
}

// The row of each member of the class list by the students' keys of the names they go by. Every
// member's own name comes first, then their aliases, then the names of the alias groups that
// hold any of these: an alias never takes another member's work. Of two members of one name,
// the name leads to the first (rowsOf gives the others their share).
std::map<std::string, std::size_t> memberRows(const ClassList& list, const MergedAliases& merged) {
    std::map<std::string, std::size_t> row;
    for (std::size_t m = 0; m < list.size(); ++m) row.try_emplace(studentKey(list[m].name), m);
    for (std::size_t m = 0; m < list.size(); ++m)
        for (const std::string& alias : list[m].aliases) row.try_emplace(studentKey(alias), m);
    for (std::size_t m = 0; m < list.size(); ++m) {
        std::vector<std::string> names = list[m].aliases;
        names.push_back(list[m].name);
        for (const std::string& name : names)
            if (const auto group = merged.groupOf.find(studentKey(name));
                group != merged.groupOf.end())
                for (const std::string& key : merged.keys[group->second]) row.try_emplace(key, m);
    }
    return row;
}

// Pairs of names, one of `names` and one of `others` (or two of `names` when `others` is
// null), that may name one student and that are not in one row already.
void addNear(const std::map<std::string, std::size_t>& names,
             const std::map<std::string, std::size_t>* others, ClassView& view) {
    for (auto a = names.begin(); a != names.end(); ++a) {
        const std::map<std::string, std::size_t>& against = others ? *others : names;
        for (auto b = others ? against.begin() : std::next(a); b != against.end(); ++b)
            if (a->second != b->second && nearNames(a->first, b->first))
                view.nearMatches.emplace_back(a->first, b->first);
    }
}

std::string nameList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + htmlEscaped(name);
    return list;
}

}  // namespace

ClassView viewClass(const std::vector<HandedIn>& work, const ClassList* list,
                    const AliasGroups& aliases) {
    const ClassRows rows = rowsOf(work, list, aliases);
    ClassView view;
    std::set<std::string> assignments;
    // The names in the files, as they first spell each, with their rows; those of no member.
    std::map<std::string, std::size_t> inFiles, unmatched;
    {
        std::map<std::string, std::pair<std::string, std::size_t>> byKey;
        for (std::size_t w = 0; w < work.size(); ++w) {
            assignments.insert(work[w].assignment);
            if (const std::string name = nameOf(work[w]); !name.empty())
                byKey.try_emplace(studentKey(name), name, rows.rowOf[w]);
        }
        for (const auto& [key, named] : byKey) {
            inFiles.emplace(named.first, named.second);
            if (named.second >= rows.members) {
                unmatched.emplace(named.first, named.second);
                if (list) view.notOnList.push_back(named.first);
            }
        }
    }
    if (!list) {
        addNear(inFiles, nullptr, view);
        return view;
    }
    view.listGiven = true;
    view.members = list->size();
    view.namedTwice = rows.namedTwice;
    view.aliasConflicts = rows.aliasConflicts;
    std::vector<std::set<std::string>> handedIn(rows.members);
    for (std::size_t w = 0; w < work.size(); ++w)
        if (rows.rowOf[w] < rows.members) handedIn[rows.rowOf[w]].insert(work[w].assignment);
    std::map<std::string, std::size_t> listNames;
    for (std::size_t m = 0; m < rows.members; ++m) {
        listNames.try_emplace(rows.names[m], m);
        if (handedIn[m].empty()) view.nothingHandedIn.push_back(rows.names[m]);
        for (const std::string& assignment : assignments)
            if (!handedIn[m].count(assignment)) view.missing[assignment].push_back(rows.names[m]);
    }
    addNear(unmatched, &listNames, view);
    addNear(unmatched, nullptr, view);
    return view;
}

namespace {

// A person of the class as rowsOf finds them: a member's row, or SIZE_MAX until they get a row
// of their own after the members'.
struct Person {
    std::string name, identity, note;
    std::size_t row = SIZE_MAX;
};

// The people of one match (a member, an alias group or a name), by identity ("" when the work is
// one person's): one, or one per identity when identities are apart (mailed files are then a
// person of their own). The people of a member go to the members of that name (`members`) in
// the order of their identities. Returns the identity of the first person, empty when the match
// is one person's.
std::string addPeopleOf(const std::string& match, const std::string& name,
                        const std::map<std::string, std::set<std::string>>& identities,
                        const std::vector<std::size_t>& members,
                        std::map<std::pair<std::string, std::string>, Person>& people,
                        std::vector<std::string>& namedTwice) {
    if (!identitiesApart(identities)) {
        const std::string identity = identities.size() == 1 ? identities.begin()->first : "";
        people[{match, ""}] = {name, identity, "", members.empty() ? SIZE_MAX : members[0]};
        if (members.size() > 1) namedTwice.push_back(name);
        return {};
    }
    std::string note = "one of " + std::to_string(identities.size()) +
                       " people of this name on the course platform";
    if (members.size() > 1)
        note += ", matched to the class list in the order of their identities: check";
    // The platform's people in the order of their identities, then the mailed files'.
    std::vector<std::string> order;
    for (const auto& [identity, assignments] : identities)
        if (!identity.empty()) order.push_back(identity);
    if (identities.count({})) order.emplace_back();
    for (std::size_t p = 0; p < order.size(); ++p)
        people[{match, order[p]}] = {name, order[p], note,
                                     p < members.size() ? members[p] : SIZE_MAX};
    if (members.size() > identities.size()) namedTwice.push_back(name);
    return order.front();
}

// Alias groups that join the own names of two members of the class list: the members stay apart.
std::vector<std::string> aliasConflicts(const ClassList& list, const MergedAliases& merged) {
    std::map<std::size_t, std::vector<std::string>> membersOf;  // merged group -> member names
    for (const ClassMember& member : list)
        if (const auto group = merged.groupOf.find(studentKey(member.name));
            group != merged.groupOf.end())
            membersOf[group->second].push_back(member.name);
    std::vector<std::string> conflicts;
    for (const auto& [group, names] : membersOf) {
        if (names.size() < 2) continue;
        std::string joined;
        for (const std::string& name : names) joined += (joined.empty() ? "" : " = ") + name;
        conflicts.push_back(joined);
    }
    return conflicts;
}

// What each work's name matches: "m" and a member's row, "g" and an alias group, or "n" and the
// studentKey of a name in the files; the name each match is shown by; and the assignments of
// each identity of the work under the match's own name. Work that the instructor's aliases join
// to a match is that match's first person's, never a person apart.
struct Matches {
    std::vector<std::string> of;  // each work's match
    std::vector<bool> viaAlias;   // each work's: matched by an alias
    std::map<std::string, std::string> shownName;
    std::map<std::string, std::map<std::string, std::set<std::string>>> assignmentsOf;
};

Matches matchesOf(const std::vector<HandedIn>& work, const std::vector<std::string>& memberNames,
                  const std::map<std::string, std::size_t>& memberRow,
                  const MergedAliases& merged) {
    Matches matches;
    matches.of.resize(work.size());
    matches.viaAlias.assign(work.size(), false);
    for (std::size_t w = 0; w < work.size(); ++w) {
        const std::string name = nameOf(work[w]), key = studentKey(name);
        std::string& match = matches.of[w];
        if (const auto member = memberRow.find(key); member != memberRow.end()) {
            match = "m" + std::to_string(member->second);
            matches.shownName.try_emplace(match, memberNames[member->second]);
            matches.viaAlias[w] = key != studentKey(memberNames[member->second]);
        } else if (const auto group = merged.groupOf.find(key); group != merged.groupOf.end()) {
            match = "g" + std::to_string(group->second);
            matches.shownName.try_emplace(match, merged.names[group->second]);
            matches.viaAlias[w] = true;
        } else {
            match = "n" + key;
            matches.shownName.try_emplace(match, name);
        }
        std::map<std::string, std::set<std::string>>& identities = matches.assignmentsOf[match];
        if (!matches.viaAlias[w]) identities[work[w].identity].insert(work[w].assignment);
    }
    return matches;
}

// Gives the members' rows their people's identity and note, and each other person a row after
// the members', by name and identity.
void placePeople(std::map<std::pair<std::string, std::string>, Person>& people, ClassRows& rows) {
    std::map<std::tuple<std::string, std::string, std::string>, Person*> others;
    for (auto& [key, person] : people) {
        if (person.row != SIZE_MAX) {
            rows.identities[person.row] = person.identity;
            rows.notes[person.row] = person.note;
        } else {
            others[{studentKey(person.name), person.identity, key.first}] = &person;
        }
    }
    for (const auto& [order, person] : others) {
        person->row = rows.names.size();
        rows.names.push_back(person->name);
        rows.identities.push_back(person->identity);
        rows.notes.push_back(person->note);
    }
}

}  // namespace

ClassRows rowsOf(const std::vector<HandedIn>& work, const ClassList* list,
                 const AliasGroups& aliases) {
    const MergedAliases merged = mergedAliases(aliases);
    ClassRows rows;
    std::map<std::string, std::size_t> memberRow;  // studentKey -> the member's row
    std::map<std::size_t, std::vector<std::size_t>> membersOfName;  // first member -> all
    if (list) {
        memberRow = memberRows(*list, merged);
        for (std::size_t m = 0; m < list->size(); ++m) {
            membersOfName[memberRow.at(studentKey((*list)[m].name))].push_back(m);
            rows.names.push_back((*list)[m].name);
        }
        rows.aliasConflicts = aliasConflicts(*list, merged);
    }
    rows.members = rows.names.size();
    rows.identities.resize(rows.members);
    rows.notes.resize(rows.members);

    const Matches matches = matchesOf(work, rows.names, memberRow, merged);

    // The people of each match, in rows.
    std::map<std::pair<std::string, std::string>, Person> people;  // (match, identity or "")
    std::map<std::string, std::string> firstPerson;  // match -> the identity of its first person
    for (const auto& [match, identities] : matches.assignmentsOf) {
        std::vector<std::size_t> members;
        if (match[0] == 'm') members = membersOfName.at(std::stoul(match.substr(1)));
        firstPerson[match] = addPeopleOf(match, matches.shownName.at(match), identities, members,
                                         people, rows.namedTwice);
    }
    placePeople(people, rows);
    rows.rowOf.resize(work.size());
    for (std::size_t w = 0; w < work.size(); ++w) {
        // Of a match that is one person, or through an alias, the first person's; else its own.
        const std::string& match = matches.of[w];
        const std::string& first = firstPerson.at(match);
        const std::string& identity =
            matches.viaAlias[w] || first.empty() ? first : work[w].identity;
        rows.rowOf[w] = people.at({match, identity}).row;
    }
    return rows;
}

void writeClassSection(std::FILE* out, const ClassView& view, const std::string& everyPairLink) {
    if (!view.listGiven && view.nearMatches.empty()) return;
    put(out, "<section id=\"class\">\n<h2>The class</h2>\n");
    if (view.listGiven) {
        put(out, "<p>The class list names " + count(view.members, "student") + ".</p>\n");
        put(out, "<h3>Not handed in</h3>\n<ul class=\"missing-work\">\n");
        if (!view.nothingHandedIn.empty())
            put(out, "<li><b>Nothing at all</b> (" + std::to_string(view.nothingHandedIn.size()) +
                         "): " + nameList(view.nothingHandedIn) + "</li>\n");
        for (const auto& [assignment, names] : view.missing)
            put(out, "<li><b>Assignment " + htmlText(assignment) + "</b> (" +
                         std::to_string(names.size()) + "): " + nameList(names) + "</li>\n");
        if (view.missing.empty() && view.nothingHandedIn.empty())
            put(out, "<li>Everyone on the list handed in every assignment read.</li>\n");
        put(out, "</ul>\n");
        if (!view.aliasConflicts.empty())
            put(out,
                "<p class=\"flag\">The aliases join names that are members of the class "
                "list each, and these stay apart: " +
                    nameList(view.aliasConflicts) + ".</p>\n");
        if (!view.namedTwice.empty())
            put(out, "<p class=\"flag\">The class list names " + nameList(view.namedTwice) +
                         " more than once, and the files hold fewer people of that name than "
                         "the list: their work is under the first members of that name.</p>\n");
        if (!view.notOnList.empty())
            put(out, "<h3>Not on the class list</h3>\n<p class=\"not-on-list\">" +
                         nameList(view.notOnList) + "</p>\n");
    }
    if (!view.nearMatches.empty()) writeNearMatches(out, view, nearShown, everyPairLink);
    put(out, "</section>\n");
}

void writeNearMatches(std::FILE* out, const ClassView& view, std::size_t most,
                      const std::string& everyPairLink) {
    put(out,
        "<h3 id=\"near\">Possibly one student</h3>\n<p>These names differ only slightly; an "
        "aliases column in the class list, or an aliases file, says which are one "
        "student.</p>\n<ul class=\"near\">\n");
    for (std::size_t i = 0; i < view.nearMatches.size() && i < most; ++i)
        put(out, "<li>" + htmlEscaped(view.nearMatches[i].first) + " · " +
                     htmlEscaped(view.nearMatches[i].second) + "</li>\n");
    if (view.nearMatches.size() > most)
        put(out, "<li>and " + std::to_string(view.nearMatches.size() - most) +
                     " more pairs, every one on <a href=\"" + everyPairLink +
                     "\">the overview's page</a></li>\n");
    put(out, "</ul>\n");
}

}  // namespace qatutor::inbox
