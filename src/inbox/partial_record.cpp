#include "inbox/partial_record.h"

#include <algorithm>
#include <string_view>
#include <utility>

#include "base/text.h"
#include "records/record_layout.h"

namespace qatutor::inbox {
namespace {

// Takes the line at the front of `tail` off it.
std::string_view takeLine(std::string_view& tail) {
    const std::size_t end = tail.find(lineEnd);
    const std::string_view line = tail.substr(0, end);
    tail = end == npos ? std::string_view() : tail.substr(end + lineEnd.size());
    return line;
}

// The separator line (or as much of it as the cut left), the time line, and a note's date-time
// line or a master file's question-number line.
std::string_view readRecordHead(std::string_view tail, Record& record) {
    if (!isTimeLine(tail.substr(0, tail.find(lineEnd)))) takeLine(tail);  // the separator line
    const std::string_view timeLine = tail.substr(0, tail.find(lineEnd));
    const std::size_t timeStart = timeLine.find_first_not_of(" \t");
    const std::string_view editedTime =  // its blanks turned into tabs, or some lost
        timeStart == npos ? std::string_view() : timeLine.substr(timeStart);
    if (const auto items = itemsAfterIndent(timeLine); !items.empty()) {
        record.time = std::string(items.back());
        takeLine(tail);
    } else if (secondsOf(editedTime) >= 0) {
        record.time = std::string(editedTime);
        takeLine(tail);
    }
    if (const auto items = itemsAfterIndent(tail.substr(0, tail.find(lineEnd)));
        items.size() == 2) {
        record.kind = RecordKind::note;
        record.noteDate = std::string(items[0]);
        takeLine(tail);
    }
    if (startsWith(tail, questionNumberPrefix)) {
        tail = tail.substr(questionNumberPrefix.size() - questionNumberMarker.size());
        record.numberLine =
            std::string(trimmedBlanks(takeLine(tail).substr(questionNumberMarker.size())));
    }
    return tail;
}

// The quoted bank line up to its separator line and the label after it; the rest is the text.
// In a damaged record without that separator line, the bank line ends at the label, or is the
// first line; in a cut one it runs to the cut.
std::string_view readQuotedAndLabel(std::string_view tail, bool cut, Record& record) {
    std::size_t quoteEnd = tail.find(separatorBreak);
    std::size_t rest = quoteEnd == npos ? npos : quoteEnd + separatorBreak.size();
    if (startsWith(tail, std::string(separatorLine) + std::string(lineEnd))) {
        quoteEnd = 0;  // recorded before the first piece was shown
        rest = separatorLine.size() + lineEnd.size();
    } else if (quoteEnd == npos && !cut) {
        const std::size_t response = tail.find(std::string(lineEnd) + responseOpening);
        const std::size_t note = tail.find(std::string(lineEnd) + std::string(notesLabel));
        quoteEnd = std::min({response, note, tail.find(lineEnd)});
        rest = quoteEnd == npos ? npos : quoteEnd + lineEnd.size();
    }
    record.unknownQuoted = std::string(tail.substr(0, quoteEnd));
    tail = rest == npos ? std::string_view() : tail.substr(rest);
    if (startsWith(tail, notesLabel)) {
        record.kind = RecordKind::note;
        return tail.substr(notesLabel.size());
    }
    if (startsWith(tail, responseOpening)) return tail.substr(responseOpening.size());
    return cut ? std::string_view() : tail;
}

// The rating line at the end of a response's text, taken off the text.
void readRating(std::string_view& text, Record& record) {
    const std::size_t lineStart = text.rfind(lineEnd);
    if (lineStart == npos) return;
    const std::string_view line = text.substr(lineStart + lineEnd.size());
    for (auto [label, kind] : {std::pair{confidenceLabel, RatingKind::confidence},
                               std::pair{selfCritiqueLabel, RatingKind::selfCritique}}) {
        if (!startsWith(line, label)) continue;
        record.ratingKind = kind;
        record.rating = std::string(line.substr(label.size()));
        text = text.substr(0, lineStart);
    }
}

// The text up to the closing line (or what the cut left of it), and a rating line before it.
void readTextAndRating(std::string_view text, bool cut, Record& record) {
    if (!cut) {
        const std::size_t closing = text.find(closingLine);
        if (closing != npos &&
            (closing == 0 || (closing >= lineEnd.size() &&
                              text.substr(closing - lineEnd.size(), lineEnd.size()) == lineEnd)))
            text = text.substr(0, closing);
    }
    if (text.size() >= lineEnd.size() && text.substr(text.size() - lineEnd.size()) == lineEnd)
        text.remove_suffix(lineEnd.size());
    // What the cut left of the closing line; in a damaged record, its edited closing line.
    const std::size_t lastBreak = text.rfind(lineEnd);
    const std::string_view last = text.substr(lastBreak == npos ? 0 : lastBreak + lineEnd.size());
    const bool cutClosing =
        !last.empty() && last.size() <= closingLine.size() && last.find_first_not_of('.') == npos;
    if (cutClosing || (!cut && last.find(closingLine) != npos))
        text = text.substr(0, lastBreak == npos ? 0 : lastBreak);
    // Before the first piece the tutor asks for no rating; a damaged record keeps its own.
    if (record.kind == RecordKind::response && (!record.unknownQuoted.empty() || !cut))
        readRating(text, record);
    record.text = std::string(text);
}

// A bank line that the cut left only the start of: the one line of the assignment that starts
// so.
void placeCutQuote(Record& record, const Run& run, const CourseIndex& course) {
    if (record.place) return;
    std::string_view start = record.unknownQuoted;
    if (!start.empty() && start.back() == '\r') start.remove_suffix(1);
    if (const BankPlace* found = course.findStart(start, run.assignment)) {
        record.place = found;
        record.assignment = found->assignment;
        record.question = found->question;
        record.unknownQuoted.clear();
    }
}

}  // namespace

Record partialRecord(const RecordScan& scan, std::size_t from, std::size_t to, bool cut,
                     const Run& run) {
    Record record;
    record.incomplete = cut;
    std::string_view tail = readRecordHead(scan.bytes().substr(from, to - from), record);
    const bool quoteEnded = startsWith(tail, separatorLine) || tail.find(separatorBreak) != npos;
    readTextAndRating(readQuotedAndLabel(tail, cut, record), cut, record);
    scan.place(record, run);
    if (cut && !quoteEnded) placeCutQuote(record, run, scan.course());
    return record;
}

}  // namespace qatutor::inbox
