#include "inbox/layout_breaks.h"

#include "base/text.h"
#include "records/record_layout.h"

namespace qatutor::inbox {
namespace {

// The marks in the middle of the separator line, which an edit may leave, and the line up to a
// few points after them, enough to recognise it in a message.
constexpr std::size_t marksStart = separatorLine.find('!');
constexpr std::string_view separatorMarks =
    separatorLine.substr(marksStart, separatorLine.find_last_of('!') + 1 - marksStart);
constexpr std::string_view separatorStart =
    separatorLine.substr(0, marksStart + separatorMarks.size() + 4);
static_assert(separatorMarks == "!!!!!!!!" && separatorStart == "......!!!!!!!!....");

const std::string expectedItem =
    "a record's separator line (\"" + std::string(separatorStart) + "\") or a file header";
const std::string expectedHeaderLine = "the rest of the file header";
const std::string expectedTime =
    "the time line: blanks, then the time (HH:MM:SS) at column " + std::to_string(timeColumn);
const std::string expectedSeparator = "the separator line after the bank line";
const std::string expectedBankLine = "the bank line the record answers (empty before the first)";
const std::string expectedLabel = "\"" + std::string(responseLabel) + "\" or \"" +
                                  std::string(notesLabel) + "\" after the separator line";
const std::string expectedClosing =
    "the closing line (" + std::to_string(closingLine.size()) + " points) that ends the record";

// A break at `at`; ran out when the stretch ends there, or with the line there cut short.
LayoutBreak brokenAt(const RecordScan& scan, std::size_t at, std::size_t to,
                     const std::string& expected) {
    return {at, expected,
            at == to || (!scan.wholeLine(at, to) && at + scan.lineAt(at, to).size() == to)};
}

// A file header: the noise line, "assignment #...", the header line, the course title, the date.
std::optional<LayoutBreak> headerBreak(const RecordScan& scan, std::size_t& at, std::size_t to) {
    const std::size_t noise = at;
    at = scan.nextLine(at, to);
    const std::string_view assignment = scan.lineAt(at, to);
    if (!startsWith(assignment, assignmentLabel)) {
        const bool cutLabel =
            at == to || (!scan.wholeLine(at, to) && startsWith(assignmentLabel, assignment) &&
                         at + assignment.size() == to);
        return LayoutBreak{noise, expectedItem, cutLabel};
    }
    for (std::size_t i = 1; i < headerLines; ++i) {
        if (at == to || !scan.wholeLine(at, to)) return brokenAt(scan, at, to, expectedHeaderLine);
        at = scan.nextLine(at, to);
    }
    return std::nullopt;
}

// From the time line on, the lines up to the separator line after the bank line: [the date-time
// line or the question-number line,] the bank line.
std::optional<LayoutBreak> bankLineBreak(const RecordScan& scan, std::size_t& at, std::size_t to) {
    std::size_t previous = at;
    for (int lines = 0;; ++lines) {
        const std::string_view line = scan.lineAt(at, to);
        if (at == to) return brokenAt(scan, at, to, expectedSeparator);
        if (line == separatorLine) {
            if (lines == 0) return brokenAt(scan, at, to, expectedBankLine);
            return std::nullopt;
        }
        if (scan.isLabelAt(at) && scan.lineAt(previous, to).find(separatorMarks) != npos)
            return brokenAt(scan, previous, to, expectedSeparator);  // an edited separator line
        if (line == closingLine || scan.isLabelAt(at))
            return brokenAt(scan, at, to, expectedSeparator);
        previous = at;
        at = scan.nextLine(at, to);
    }
}

// A record up to its text: the separator line, the time line, [the date-time line or the
// question-number line,] the bank line, the separator line and the label.
std::optional<LayoutBreak> recordHeadBreak(const RecordScan& scan, std::size_t& at,
                                           std::size_t to) {
    if (scan.lineAt(at, to) != separatorLine) {
        const std::string_view line = scan.lineAt(at, to);
        const bool cutSeparator = !scan.wholeLine(at, to) && startsWith(separatorLine, line);
        return LayoutBreak{at, expectedItem, cutSeparator && at + line.size() == to};
    }
    at = scan.nextLine(at, to);
    if (at == to || !isTimeLine(scan.lineAt(at, to))) return brokenAt(scan, at, to, expectedTime);
    at = scan.nextLine(at, to);
    if (auto broken = bankLineBreak(scan, at, to)) return broken;
    at = scan.nextLine(at, to);
    if (at == to || !scan.isLabelAt(at)) return brokenAt(scan, at, to, expectedLabel);
    return std::nullopt;
}

// A record's text from its label on, up to the closing line; a response starts on the line
// after its label, a note on the label's line.
std::optional<LayoutBreak> textBreak(const RecordScan& scan, std::size_t& at, std::size_t to) {
    if (scan.bytes().substr(at, responseOpening.size()) == responseOpening)
        at = scan.nextLine(at, to);
    for (; at < to; at = scan.nextLine(at, to)) {
        if (startsWith(scan.lineAt(at, to), closingLine)) {
            at = scan.afterClosing(at);
            return std::nullopt;
        }
        const bool lastLine = scan.nextLine(at, to) == to && scan.wholeLine(at, to);
        if (lastLine && scan.lineAt(at, to).find(closingLine) != npos)
            return brokenAt(scan, at, to, expectedClosing);  // an edited closing line
    }
    return brokenAt(scan, at, to, expectedClosing);
}

// The next item in [at, to): a whole file header or record moves `at` past it; else where it
// leaves the layout.
std::optional<LayoutBreak> itemBreak(const RecordScan& scan, std::size_t& at, std::size_t to) {
    if (isNoiseLine(scan.lineAt(at, to))) return headerBreak(scan, at, to);
    if (auto broken = recordHeadBreak(scan, at, to)) return broken;
    return textBreak(scan, at, to);
}

}  // namespace

const std::string expectedRecord = "a record in the tutor's layout";

std::optional<LayoutBreak> firstBreak(const RecordScan& scan, std::size_t from, std::size_t to) {
    std::size_t at = from;
    while (at < to)
        if (auto broken = itemBreak(scan, at, to)) return broken;
    return std::nullopt;
}

}  // namespace qatutor::inbox
