// The lines of a record file and every place where a file header or a record may start, found
// once for the two readings of the file: the exact one (exact_reading.h) and the one past damage
// (damaged_reading.h). Within the reader only.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "inbox/course_index.h"
#include "inbox/record_file.h"
#include "records/record_layout.h"

namespace qatutor::inbox {

inline constexpr std::size_t npos = std::string_view::npos;
// A noise line is longer than any the codec draws only when damaged: the codec draws two
// characters for each step of the run's coding number, 28 at most, so 56 at most.
inline constexpr std::size_t longestNoiseLine = 512;
inline constexpr std::size_t longestQuotedLine = 1 << 20;
inline constexpr std::size_t headerLines = 5;  // noise line, assignment, header line, course, date

// "RESPONSE -->  " and the line end that follows it: the response starts on the next line.
inline const std::string responseOpening = std::string(responseLabel) + std::string(lineEnd);
// CR LF, the separator line, CR LF: where the quoted bank line ends.
inline const std::string separatorBreak =
    std::string(lineEnd) + std::string(separatorLine) + std::string(lineEnd);

// trimmedBlanks("  a b  ") -> "a b"
std::string_view trimmedBlanks(std::string_view text);
// The items of a time line or date-time line after the indent, split at blanks.
std::vector<std::string_view> itemsAfterIndent(std::string_view line);
// The noise line: characters 66 to 255, never a blank, a point or a line break; "?" where a
// re-save lost one.
bool isNoiseLine(std::string_view line);
// The time line: the indent, blanks to the time's print zone and the time, "14:05:09".
bool isTimeLine(std::string_view line);

// A rating the record is expected to end with, told from the bank line it quotes.
enum class Expect { nothing, confidence, selfCritique, either };

// What a position may start: a file header or a record, up to the first byte of its text.
struct Start {
    enum Kind { none, header, record } kind = none;
    std::size_t after = 0;  // header: where the next item starts; record: where its text starts
    // header
    std::string_view assignment, title, courseTitle, date;
    // record
    RecordKind recordKind = RecordKind::response;
    std::string_view time, noteDate, numberLine, quoted;
    Expect expect = Expect::nothing;

    Run run() const;  // the run a file header starts
};

class RecordScan {
public:
    RecordScan(std::string_view bytes, const CourseIndex& course);

    std::string_view bytes() const { return b_; }
    std::size_t size() const { return b_.size(); }

    // The line at `p`, without its line end, ending at `limit` at the latest.
    std::string_view lineAt(std::size_t p, std::size_t limit) const;
    // Where the line after the one at `p` starts; `limit` when the line runs to it.
    std::size_t nextLine(std::size_t p, std::size_t limit) const;
    // The line at `at` ends with its CR LF before `to`.
    bool wholeLine(std::size_t at, std::size_t to) const;
    std::size_t lineNumber(std::size_t p) const;  // counted from 1
    // The start of the line before the one starting at `lineStart`; npos for the first line.
    std::size_t lineBefore(std::size_t lineStart) const;
    // "RESPONSE -->  " with its line end, or "NOTES -------> ", at `p`.
    bool isLabelAt(std::size_t p) const;
    // Where the item after the closing line at `c` starts: past its CR LF, or right after its
    // points in a send file's note.
    std::size_t afterClosing(std::size_t c) const;

    const std::vector<std::size_t>& lineStarts() const { return lineStarts_; }
    // Where an item may start: line starts, and right after the points of a note's closing line.
    const std::vector<std::size_t>& candidates() const { return candidates_; }
    // Line starts holding the closing line's points.
    const std::vector<std::size_t>& closings() const { return closings_; }
    // Where a file header or a record reads up to its text, ascending; starts()[i] is read at
    // startPositions()[i].
    const std::vector<std::size_t>& startPositions() const { return startPositions_; }
    const std::vector<Start>& starts() const { return starts_; }
    // The start read at `p`, if one is.
    const Start* startOf(std::size_t p) const;

    // Where the bank holds the record's quoted line, and the question its master file's
    // question-number line names.
    void place(Record& record, const Run& run) const;
    const CourseIndex& course() const { return course_; }

private:
    std::size_t endOfLine(std::size_t from, std::size_t longest) const;
    Start startAt(std::size_t p) const;
    Start headerAt(std::size_t p) const;
    Start recordAt(std::size_t p) const;
    bool readBetween(std::string_view between, std::size_t label, Start& start) const;

    std::string_view b_;
    const CourseIndex& course_;
    std::vector<std::size_t> lineStarts_;
    std::vector<std::size_t> candidates_;
    std::vector<std::size_t> closings_;
    std::vector<std::size_t> separatorBreaks_;  // CR LF, separator, CR LF
    std::vector<std::size_t> startPositions_;
    std::vector<Start> starts_;
};

}  // namespace qatutor::inbox
