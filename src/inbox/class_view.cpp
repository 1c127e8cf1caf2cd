#include "inbox/class_view.h"

#include <algorithm>
#include <set>

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

// The students' keys (studentKey) of the names each alias group holds, by each name's key.
using AliasKeys = std::map<std::string, std::set<std::string>>;

AliasKeys aliasKeysOf(const AliasGroups& aliases) {
    AliasKeys keys;
    for (const std::vector<std::string>& group : aliases) {
        std::set<std::string> of;
        for (const std::string& name : group) of.insert(studentKey(name));
        for (const std::string& key : of) keys[key].insert(of.begin(), of.end());
    }
    return keys;
}

// Whether the instructor said that `a` and `b` are one student.
bool aliasesOf(const AliasKeys& aliases, std::string_view a, std::string_view b) {
    const auto group = aliases.find(studentKey(a));
    return group != aliases.end() && group->second.count(studentKey(b));
}

// Pairs of names, one of `names` and one of `others` (or two of `names` when `others` is
// null), that may name one student and that no alias group joins.
void addNear(const std::set<std::string>& names, const std::set<std::string>* others,
             const AliasKeys& aliases, ClassView& view) {
    for (auto a = names.begin(); a != names.end(); ++a) {
        const std::set<std::string>& against = others ? *others : names;
        for (auto b = others ? against.begin() : std::next(a); b != against.end(); ++b)
            if (nearNames(*a, *b) && !aliasesOf(aliases, *a, *b))
                view.nearMatches.emplace_back(*a, *b);
    }
}

// The students' keys of the names a member of the class list goes by: their name, their aliases
// and the names of the alias groups that hold any of these.
std::set<std::string> keysOf(const ClassMember& member, const AliasKeys& aliases) {
    std::set<std::string> keys = {studentKey(member.name)};
    for (const std::string& alias : member.aliases) keys.insert(studentKey(alias));
    for (const std::string& key : std::set<std::string>(keys))
        if (const auto group = aliases.find(key); group != aliases.end())
            keys.insert(group->second.begin(), group->second.end());
    return keys;
}

std::string nameList(const std::vector<std::string>& names) {
    std::string list;
    for (const std::string& name : names) list += (list.empty() ? "" : ", ") + htmlEscaped(name);
    return list;
}

}  // namespace

ClassView viewClass(const std::vector<HandedIn>& work, const ClassList* list,
                    const AliasGroups& aliases) {
    const AliasKeys aliasKeys = aliasKeysOf(aliases);
    ClassView view;
    std::map<std::string, std::string> names;  // studentKey -> the name as the files spell it
    std::set<std::string> assignments;
    for (const HandedIn& w : work) {
        if (const std::string name = nameOf(w); !name.empty())
            names.emplace(studentKey(name), name);
        assignments.insert(w.assignment);
    }
    std::set<std::string> inFiles;
    for (const auto& [key, name] : names) inFiles.insert(name);
    if (!list) {
        addNear(inFiles, nullptr, aliasKeys, view);
        return view;
    }
    view.listGiven = true;
    view.members = list->size();
    std::set<std::string> matched, listNames;
    for (const ClassMember& member : *list) {
        listNames.insert(member.name);
        const std::set<std::string> keys = keysOf(member, aliasKeys);
        std::set<std::string> handedIn;
        for (const HandedIn& w : work)
            if (keys.count(studentKey(nameOf(w)))) handedIn.insert(w.assignment);
        for (const std::string& key : keys) matched.insert(key);
        if (handedIn.empty()) view.nothingHandedIn.push_back(member.name);
        for (const std::string& assignment : assignments)
            if (!handedIn.count(assignment)) view.missing[assignment].push_back(member.name);
    }
    std::set<std::string> unmatched;
    for (const auto& [key, name] : names)
        if (!matched.count(key)) view.notOnList.push_back(name), unmatched.insert(name);
    addNear(unmatched, &listNames, aliasKeys, view);
    addNear(unmatched, nullptr, aliasKeys, view);
    return view;
}

ClassRows rowsOf(const std::vector<HandedIn>& work, const ClassList* list,
                 const AliasGroups& aliases) {
    const AliasKeys aliasKeys = aliasKeysOf(aliases);
    ClassRows rows;
    std::map<std::string, std::size_t> memberRow;  // studentKey -> row; the first member's
    if (list)
        for (const ClassMember& member : *list) {
            for (const std::string& key : keysOf(member, aliasKeys))
                memberRow.try_emplace(key, rows.names.size());
            rows.names.push_back(member.name);
            rows.identities.emplace_back();
        }
    rows.members = rows.names.size();
    std::map<std::string, std::size_t> groupOf;  // studentKey -> the first group that holds it
    for (std::size_t g = 0; g < aliases.size(); ++g)
        for (const std::string& name : aliases[g]) groupOf.try_emplace(studentKey(name), g);
    // The other rows by name: (studentKey of the row's name, what tells the row apart) -> row.
    std::map<std::pair<std::string, std::string>, std::pair<std::string, std::string>> others;
    std::vector<std::pair<std::string, std::string>> otherOf(work.size());
    std::vector<bool> listed(work.size(), false);
    rows.rowOf.assign(work.size(), 0);
    for (std::size_t w = 0; w < work.size(); ++w) {
        const std::string name = nameOf(work[w]), key = studentKey(name);
        if (const auto member = memberRow.find(key); member != memberRow.end()) {
            rows.rowOf[w] = member->second;
            listed[w] = true;
            continue;
        }
        if (const auto group = groupOf.find(key); group != groupOf.end()) {
            const std::string& first = aliases[group->second].front();
            otherOf[w] = {studentKey(first), "group " + std::to_string(group->second)};
            others.try_emplace(otherOf[w], first, "");
        } else {
            otherOf[w] = {key, personKey(work[w].student, work[w].identity)};
            others.try_emplace(otherOf[w], name, work[w].identity);
        }
    }
    std::map<std::pair<std::string, std::string>, std::size_t> otherRow;
    for (const auto& [order, row] : others) {
        otherRow[order] = rows.names.size();
        rows.names.push_back(row.first);
        rows.identities.push_back(row.second);
    }
    for (std::size_t w = 0; w < work.size(); ++w)
        if (!listed[w]) rows.rowOf[w] = otherRow.at(otherOf[w]);
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
