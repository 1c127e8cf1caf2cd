#include "inbox/student_work.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <map>
#include <set>
#include <tuple>

namespace qatutor::inbox {

std::optional<int> ratingValue(std::string_view rating) {
    const std::size_t first = rating.find_first_not_of(' ');
    if (first == std::string_view::npos) return std::nullopt;
    rating = rating.substr(first, rating.find_last_not_of(' ') - first + 1);
    if (rating.size() != 1 || rating[0] < '0' || rating[0] > '3') return std::nullopt;
    return rating[0] - '0';
}

std::string dateOrder(std::string_view date) {
    if (date.size() != 10 || date[2] != '-' || date[5] != '-') return std::string(date);
    return std::string(date.substr(6, 4)) + std::string(date.substr(0, 2)) +
           std::string(date.substr(3, 2));
}

std::string reportDate(std::string_view date) {
    const std::string order = dateOrder(date);
    if (order == date) return order;
    return order.substr(0, 4) + "-" + order.substr(4, 2) + "-" + order.substr(6, 2);
}

namespace {

// "12-31-2026" -> "01-01-2027"; any other text stays as it is.
std::string nextDay(const std::string& date) {
    const std::string order = dateOrder(date);
    if (order.size() != 8 ||
        !std::all_of(order.begin(), order.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return date;
    using namespace std::chrono;
    const year_month_day today{year{std::stoi(order.substr(0, 4))},
                               month{static_cast<unsigned>(std::stoi(order.substr(4, 2)))},
                               day{static_cast<unsigned>(std::stoi(order.substr(6, 2)))}};
    if (!today.ok()) return date;
    const year_month_day next{sys_days{today} + days{1}};
    char text[16];
    std::snprintf(text, sizeof text, "%02u-%02u-%04d", static_cast<unsigned>(next.month()),
                  static_cast<unsigned>(next.day()), static_cast<int>(next.year()));
    return text;
}

std::string whenOf(const WorkEntry& entry) {
    return reportDate(entry.date) + " " + entry.record->time;
}

void countFigures(StudentWork& work, const CourseIndex& course) {
    std::set<int> answered;
    for (const WorkEntry& entry : work.entries) {
        const Record& record = *entry.record;
        if (record.incomplete) ++work.incomplete;
        if (!record.doubt.empty()) ++work.inDoubt;
        if (record.kind == RecordKind::note) {
            ++work.notes;
            continue;
        }
        ++work.responses;
        if (record.question > 0) answered.insert(record.question);
        if (record.ratingKind == RatingKind::none) continue;
        const std::optional<int> value = ratingValue(record.rating);
        if (!value) {
            ++work.oddRatings;
            continue;
        }
        if (*value <= 1) ++work.lowRatings;
        if (record.ratingKind == RatingKind::confidence)
            work.confidenceSum += *value, ++work.confidenceCount;
        else
            work.selfCritiqueSum += *value, ++work.selfCritiqueCount;
    }
    work.answered = static_cast<int>(answered.size());
    if (const BankAssignment* assignment = course.assignment(work.assignment)) {
        work.total = static_cast<int>(assignment->questions.size());
        work.answered = 0;
        for (int question : assignment->questions) {
            if (answered.count(question))
                ++work.answered;
            else
                work.missing.push_back(question);
        }
        if (work.title.empty()) work.title = assignment->title;
    }
    if (!work.entries.empty()) {
        work.first = whenOf(work.entries.front());
        work.last = whenOf(work.entries.back());
    }
}

// A student's work by name, assignment and platform identity.
using Groups = std::map<std::tuple<std::string, std::string, std::string>, StudentWork>;

// The identity a file's work is grouped by: its own when the name stands for several people,
// else none, the work of one person under several identities being one.
std::string groupIdentity(const Inbox& inbox, const StudentFile& file) {
    return inbox.peopleApart ? file.identity : std::string();
}

// The work is shown with the first platform identity it came under.
StudentWork& groupOf(Groups& groups, const Inbox& inbox, const StudentFile& file,
                     const std::string& assignment) {
    StudentWork& work = groups[{file.student, assignment, groupIdentity(inbox, file)}];
    work.student = file.student;
    if (work.identity.empty()) work.identity = file.identity;
    work.assignment = assignment;
    return work;
}

// A run in which the student entered nothing (a send file of its header alone) still shows the
// student at work on its assignment, with no response.
void addEmptyRuns(Groups& groups, const Inbox& inbox, const StudentFile& file) {
    std::vector<bool> holdsRecords(file.parsed.runs.size(), false);
    for (const Record& record : file.parsed.records) holdsRecords[record.run] = true;
    for (std::size_t r = 0; r < file.parsed.runs.size(); ++r) {
        const Run& run = file.parsed.runs[r];
        if (holdsRecords[r]) continue;
        StudentWork& work = groupOf(groups, inbox, file, run.assignment);
        if (work.title.empty()) work.title = run.title;
    }
}

}  // namespace

std::vector<StudentWork> groupByStudent(const Inbox& inbox, const CourseIndex& course) {
    Groups groups;
    for (const StudentFile& file : inbox.files) {
        addEmptyRuns(groups, inbox, file);
        // A response carries only its time; its date is the run's, until a run that went on past
        // midnight shows a time earlier than the one before. A note carries its own date.
        std::size_t runNow = file.parsed.runs.size();
        std::string date;
        int lastSeconds = -1;
        for (std::size_t i = 0; i < file.parsed.records.size(); ++i) {
            const Record& record = file.parsed.records[i];
            const Run& run = file.parsed.runs[record.run];
            if (record.run != runNow) runNow = record.run, date = run.date, lastSeconds = -1;
            const int seconds = secondsOf(record.time);
            if (!record.noteDate.empty())
                date = record.noteDate;
            else if (seconds >= 0 && seconds < lastSeconds)
                date = nextDay(date);
            if (seconds >= 0) lastSeconds = seconds;
            if (file.duplicate[i]) continue;
            StudentWork& work = groupOf(groups, inbox, file, record.assignment);
            if (work.title.empty() && run.assignment == record.assignment) work.title = run.title;
            WorkEntry entry{&file, &record, date, {}};
            entry.order = dateOrder(entry.date) + " " + record.time;
            work.entries.push_back(std::move(entry));
        }
    }
    for (const Doubt& doubt : inbox.doubts)
        if (auto at = groups.find({doubt.student, doubt.assignment,
                                   inbox.peopleApart ? doubt.identity : std::string()});
            at != groups.end())
            at->second.doubts.push_back(doubt.reason);
    std::vector<StudentWork> result;
    for (auto& [key, work] : groups) {
        std::stable_sort(work.entries.begin(), work.entries.end(),
                         [](const WorkEntry& a, const WorkEntry& b) { return a.order < b.order; });
        countFigures(work, course);
        result.push_back(std::move(work));
    }
    return result;
}

}  // namespace qatutor::inbox
