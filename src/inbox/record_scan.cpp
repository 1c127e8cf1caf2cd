#include "inbox/record_scan.h"

#include <algorithm>

#include "base/text.h"
#include "inbox/resaved_file.h"

namespace qatutor::inbox {
namespace {

constexpr std::size_t longestHeaderItem = 8192;
constexpr std::size_t longestTimeLine = 256;
// The lowest code the codec draws a noise line's characters from (its lowestNoiseCode). The inbox
// reads the record layout but may not use the codec, so the value is restated here.
constexpr unsigned char lowestNoiseByte = 66;

Expect expectedRating(std::string_view quoted, const CourseIndex& course) {
    if (quoted.empty()) return Expect::nothing;  // recorded before the first piece was shown
    const std::vector<BankPlace>* places = course.placesOf(quoted);
    if (!places) return Expect::either;
    std::optional<Entry> entry;
    for (const BankPlace& place : *places) {
        if (entry && *entry != place.entry) return Expect::either;
        entry = place.entry;
    }
    switch (*entry) {
    case Entry::question: return Expect::confidence;
    case Entry::answer: return Expect::selfCritique;
    case Entry::none: return Expect::nothing;
    }
    return Expect::either;
}

// The master file's question-number line: assignment x 10000 + question.
std::optional<int> numberedQuestion(std::string_view numberLine, std::string_view assignment) {
    auto wholeValue = [](std::string_view text) -> std::optional<long long> {
        if (text.empty() || text.size() > 15) return std::nullopt;
        long long value = 0;
        for (char c : text) {
            if (!isDigit(c)) return std::nullopt;
            value = value * 10 + (c - '0');
        }
        return value;
    };
    const auto value = wholeValue(numberLine), number = wholeValue(trimmedBlanks(assignment));
    if (value && number && *value >= *number * 10000 && *value - *number * 10000 < 10000)
        return static_cast<int>(*value - *number * 10000);
    return std::nullopt;
}

}  // namespace

std::string_view trimmedBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

std::vector<std::string_view> itemsAfterIndent(std::string_view line) {
    std::vector<std::string_view> items;
    if (!startsWith(line, indent)) return items;
    std::string_view rest = line.substr(indent.size());
    while (!(rest = trimmedBlanks(rest)).empty()) {
        const std::size_t blank = rest.find(' ');
        items.push_back(rest.substr(0, blank));
        if (blank == npos) break;
        rest = rest.substr(blank);
    }
    return items;
}

bool isNoiseLine(std::string_view line) {
    return !line.empty() && line.size() <= longestNoiseLine &&
           std::all_of(line.begin(), line.end(), [](char c) {
               return static_cast<unsigned char>(c) >= lowestNoiseByte || c == replacedCharacter;
           });
}

bool isTimeLine(std::string_view line) {
    const auto items = itemsAfterIndent(line);
    return items.size() == 1 && secondsOf(items[0]) >= 0;
}

Run Start::run() const {
    return {std::string(assignment), std::string(title), std::string(courseTitle),
            std::string(date)};
}

RecordScan::RecordScan(std::string_view bytes, const CourseIndex& course)
    : b_(bytes), course_(course) {
    lineStarts_.push_back(0);
    for (std::size_t at = b_.find(lineEnd); at != npos; at = b_.find(lineEnd, at + 1))
        lineStarts_.push_back(at + lineEnd.size());
    for (std::size_t at = b_.find(separatorBreak); at != npos; at = b_.find(separatorBreak, at + 1))
        separatorBreaks_.push_back(at);

    for (std::size_t s : lineStarts_) {
        if (s >= b_.size()) continue;
        candidates_.push_back(s);
        if (b_.substr(s, closingLine.size()) == closingLine) {
            closings_.push_back(s);
            if (afterClosing(s) == s + closingLine.size() && s + closingLine.size() < b_.size())
                candidates_.push_back(s + closingLine.size());
        }
    }
    std::sort(candidates_.begin(), candidates_.end());
    for (std::size_t p : candidates_) {
        Start start = startAt(p);
        if (start.kind == Start::none) continue;
        startPositions_.push_back(p);
        starts_.push_back(start);
    }
}

std::size_t RecordScan::endOfLine(std::size_t from, std::size_t longest) const {
    return b_.substr(0, std::min(b_.size(), from + longest + lineEnd.size())).find(lineEnd, from);
}

std::string_view RecordScan::lineAt(std::size_t p, std::size_t limit) const {
    const std::size_t end = b_.substr(0, limit).find(lineEnd, p);
    return b_.substr(p, (end == npos ? limit : end) - p);
}

std::size_t RecordScan::nextLine(std::size_t p, std::size_t limit) const {
    const std::size_t end = b_.substr(0, limit).find(lineEnd, p);
    return end == npos ? limit : std::min(end + lineEnd.size(), limit);
}

bool RecordScan::wholeLine(std::size_t at, std::size_t to) const {
    const std::size_t end = at + lineAt(at, to).size();
    return end + lineEnd.size() <= to && b_.substr(end, lineEnd.size()) == lineEnd;
}

std::size_t RecordScan::lineNumber(std::size_t p) const {
    return static_cast<std::size_t>(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), p) -
                                    lineStarts_.begin());
}

std::size_t RecordScan::lineBefore(std::size_t lineStart) const {
    const auto at = std::lower_bound(lineStarts_.begin(), lineStarts_.end(), lineStart);
    return at == lineStarts_.begin() ? npos : *(at - 1);
}

bool RecordScan::isLabelAt(std::size_t p) const {
    return b_.substr(p, responseOpening.size()) == responseOpening ||
           b_.substr(p, notesLabel.size()) == notesLabel;
}

std::size_t RecordScan::afterClosing(std::size_t c) const {
    const std::size_t end = c + closingLine.size();
    return b_.substr(end, lineEnd.size()) == lineEnd ? end + lineEnd.size() : end;
}

const Start* RecordScan::startOf(std::size_t p) const {
    const auto at = std::lower_bound(startPositions_.begin(), startPositions_.end(), p);
    if (at == startPositions_.end() || *at != p) return nullptr;
    return &starts_[static_cast<std::size_t>(at - startPositions_.begin())];
}

Start RecordScan::startAt(std::size_t p) const {
    if (b_.substr(p, separatorLine.size()) == separatorLine) return recordAt(p);
    return headerAt(p);
}

Start RecordScan::headerAt(std::size_t p) const {
    Start start;
    const std::size_t noiseEnd = endOfLine(p, longestNoiseLine);
    if (noiseEnd == npos || !isNoiseLine(b_.substr(p, noiseEnd - p))) return start;
    std::size_t at = noiseEnd + lineEnd.size();
    if (!startsWith(b_.substr(at), assignmentLabel)) return start;
    std::string_view items[headerLines - 1];
    for (std::string_view& item : items) {
        const std::size_t end = endOfLine(at, longestHeaderItem);
        if (end == npos) return start;
        item = b_.substr(at, end - at);
        at = end + lineEnd.size();
    }
    start.kind = Start::header;
    start.after = at;
    start.assignment = items[0].substr(assignmentLabel.size());
    start.title = items[1];
    start.courseTitle = items[2];
    start.date = items[3];
    return start;
}

// The separator line and the time line, then what lies between them and the bank line's
// separator line (readBetween).
Start RecordScan::recordAt(std::size_t p) const {
    Start start;
    std::size_t at = p + separatorLine.size();
    if (b_.substr(at, lineEnd.size()) != lineEnd) return start;
    at += lineEnd.size();
    const std::size_t timeEnd = endOfLine(at, longestTimeLine);
    if (timeEnd == npos) return start;
    const auto timeItems = itemsAfterIndent(b_.substr(at, timeEnd - at));
    if (timeItems.size() != 1) return start;
    start.time = timeItems[0];
    at = timeEnd + lineEnd.size();
    if (b_.substr(at, separatorLine.size()) == separatorLine) return start;  // no bank line

    // The quoted bank line never holds a separator line of its own.
    const auto brk = std::lower_bound(separatorBreaks_.begin(), separatorBreaks_.end(), at);
    if (brk == separatorBreaks_.end() || *brk - at > longestQuotedLine) return start;
    if (readBetween(b_.substr(at, *brk - at), *brk + separatorBreak.size(), start))
        start.kind = Start::record;
    return start;
}

// Between the time line and the separator line: [date-time line | question-number line] and the
// quoted bank line; then the label at `label`.
bool RecordScan::readBetween(std::string_view between, std::size_t label, Start& start) const {
    if (b_.substr(label, responseOpening.size()) == responseOpening) {
        start.recordKind = RecordKind::response;
        start.after = label + responseOpening.size();
        if (startsWith(between, questionNumberPrefix)) {
            const std::size_t end = between.find(lineEnd, questionNumberPrefix.size());
            if (end == npos) return false;
            start.numberLine = trimmedBlanks(
                between.substr(questionNumberPrefix.size(), end - questionNumberPrefix.size()));
            between = between.substr(end + lineEnd.size());
        }
        start.expect = expectedRating(between, course_);
    } else if (b_.substr(label, notesLabel.size()) == notesLabel) {
        start.recordKind = RecordKind::note;
        start.after = label + notesLabel.size();
        const std::size_t end = between.find(lineEnd);
        const auto items = itemsAfterIndent(between.substr(0, end));
        if (end == npos || items.size() != 2) return false;
        start.noteDate = items[0];
        between = between.substr(end + lineEnd.size());
    } else {
        return false;
    }
    start.quoted = between;
    return true;
}

void RecordScan::place(Record& record, const Run& run) const {
    record.assignment = run.assignment;
    if (!record.unknownQuoted.empty()) {
        record.place = course_.find(record.unknownQuoted, run.assignment);
        if (record.place) {
            record.assignment = record.place->assignment;
            record.question = record.place->question;
            record.unknownQuoted.clear();
        }
    }
    if (const auto question = numberedQuestion(record.numberLine, run.assignment))
        record.question = *question;
}

}  // namespace qatutor::inbox
