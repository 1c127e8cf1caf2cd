#include "inbox/record_file.h"

#include <algorithm>
#include <optional>

#include "base/cp1252.h"
#include "base/text.h"
#include "records/record_layout.h"

namespace qatutor::inbox {
namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::size_t longestHeaderItem = 8192;
constexpr std::size_t longestQuotedLine = 1 << 20;
constexpr int cutPointsTried = 16;

// "RESPONSE -->  " and the line end that follows it: the response starts on the next line.
const std::string responseOpening = std::string(responseLabel) + std::string(lineEnd);
// CR LF, the separator line, CR LF: where the quoted bank line ends.
const std::string separatorBreak =
    std::string(lineEnd) + std::string(separatorLine) + std::string(lineEnd);

std::string_view trimmedBlanks(std::string_view text) {
    const std::size_t first = text.find_first_not_of(' ');
    if (first == npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The items of a time line or date-time line after the indent, split at blanks.
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

// A rating the record is expected to end with, told from the bank line it quotes.
enum class Expect { nothing, confidence, selfCritique, either };

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

// What a position may start: a file header or a record, up to the first byte of its text.
struct Start {
    enum Kind { none, header, record } kind = none;
    std::size_t end = 0;  // header: where the next item starts; record: text start
    // header
    std::string_view assignment, title, courseTitle, date;
    // record
    RecordKind recordKind = RecordKind::response;
    std::string_view time, noteDate, numberLine, quoted;
    Expect expect = Expect::nothing;
};

// Closing lines after which the rest of the file reads as records, the nearest added last. The
// key of each is where a record's ending starts: the closing line itself, or the rating line
// before it; the record's text must end before the key.
class ValidEnds {
public:
    void add(std::size_t key, std::size_t closing) { ends_.push_back({key, closing}); }
    void clear() { ends_.clear(); }

    // The nearest closing line whose key is at least `minKey`.
    std::optional<std::size_t> nearest(std::size_t minKey) const {
        // Keys were added from the end of the file backwards, so they fall along the vector.
        const auto past = std::partition_point(ends_.begin(), ends_.end(),
                                               [&](const End& end) { return end.key >= minKey; });
        if (past == ends_.begin()) return std::nullopt;
        return (past - 1)->closing;
    }

private:
    struct End {
        std::size_t key;
        std::size_t closing;
    };
    std::vector<End> ends_;
};

class Parser {
public:
    Parser(std::string_view bytes, const CourseIndex& course) : b_(bytes), course_(course) {
        scan();
    }

    ParsedFile parse();

private:
    void scan();
    std::size_t endOfLine(std::size_t from, std::size_t longest) const;
    Start startAt(std::size_t p) const;
    Start headerAt(std::size_t p) const;
    Start recordAt(std::size_t p) const;
    std::size_t afterClosing(std::size_t c) const {
        return b_.substr(c + closingLine.size(), 2) == lineEnd ? c + closingLine.size() + 2
                                                               : c + closingLine.size();
    }
    std::size_t lineBefore(std::size_t lineStart) const;

    // Finds which starts before `limit` read on to `limit` as the end of the file.
    void solve(std::size_t limit);
    int readingsAt(std::size_t pos, std::size_t limit) const;
    struct Choice {
        std::optional<std::size_t> closing;
        const ValidEnds* list = nullptr;
    };
    Choice chooseEnd(const Start& start) const;
    void walk(std::size_t limit, ParsedFile& file) const;
    Record recordOf(const Start& start, std::size_t closing, const ValidEnds& list,
                    const Run& run) const;
    void readCutTail(std::size_t from, ParsedFile& file) const;
    bool looksLikeCutHeader(std::size_t p) const;
    void place(Record& record, const Run& run) const;

    std::string_view b_;
    const CourseIndex& course_;
    std::vector<std::size_t> lineStarts_;
    std::vector<std::size_t> closings_;         // line starts holding the closing line's points
    std::vector<std::size_t> separatorBreaks_;  // CR LF, separator, CR LF
    std::vector<std::size_t> startPositions_;   // ascending, with starts_ and readings_ alongside
    std::vector<Start> starts_;
    std::vector<int> readings_;
    ValidEnds responseEnds_, confidenceEnds_, selfCritiqueEnds_, noteEnds_;
};

void Parser::scan() {
    lineStarts_.push_back(0);
    for (std::size_t at = b_.find(lineEnd); at != npos; at = b_.find(lineEnd, at + 1))
        lineStarts_.push_back(at + 2);
    for (std::size_t at = b_.find(separatorBreak); at != npos; at = b_.find(separatorBreak, at + 1))
        separatorBreaks_.push_back(at);

    // Items start at line starts, and right after the points of a notes record's closing line.
    std::vector<std::size_t> candidates;
    for (std::size_t s : lineStarts_) {
        if (s >= b_.size()) continue;
        candidates.push_back(s);
        if (b_.substr(s, closingLine.size()) == closingLine) {
            closings_.push_back(s);
            if (afterClosing(s) == s + closingLine.size() && s + closingLine.size() < b_.size())
                candidates.push_back(s + closingLine.size());
        }
    }
    std::sort(candidates.begin(), candidates.end());
    for (std::size_t p : candidates) {
        Start start = startAt(p);
        if (start.kind == Start::none) continue;
        startPositions_.push_back(p);
        starts_.push_back(start);
    }
    readings_.assign(starts_.size(), 0);
}

std::size_t Parser::endOfLine(std::size_t from, std::size_t longest) const {
    const std::size_t end =
        b_.substr(0, std::min(b_.size(), from + longest + 2)).find(lineEnd, from);
    return end;
}

std::size_t Parser::lineBefore(std::size_t lineStart) const {
    const auto at = std::lower_bound(lineStarts_.begin(), lineStarts_.end(), lineStart);
    return at == lineStarts_.begin() ? npos : *(at - 1);
}

Start Parser::startAt(std::size_t p) const {
    if (b_.substr(p, separatorLine.size()) == separatorLine) return recordAt(p);
    return headerAt(p);
}

Start Parser::headerAt(std::size_t p) const {
    Start start;
    // The noise line: characters 66 to 255, never a blank, a point or a line break.
    const std::size_t noiseEnd = endOfLine(p, 512);
    if (noiseEnd == npos || noiseEnd == p) return start;
    for (std::size_t i = p; i < noiseEnd; ++i)
        if (static_cast<unsigned char>(b_[i]) < 66) return start;
    std::size_t at = noiseEnd + 2;
    if (!startsWith(b_.substr(at), assignmentLabel)) return start;
    std::string_view items[4];
    for (std::string_view& item : items) {
        const std::size_t end = endOfLine(at, longestHeaderItem);
        if (end == npos) return start;
        item = b_.substr(at, end - at);
        at = end + 2;
    }
    start.kind = Start::header;
    start.end = at;
    start.assignment = items[0].substr(assignmentLabel.size());
    start.title = items[1];
    start.courseTitle = items[2];
    start.date = items[3];
    return start;
}

Start Parser::recordAt(std::size_t p) const {
    Start start;
    std::size_t at = p + separatorLine.size();
    if (b_.substr(at, 2) != lineEnd) return start;
    at += 2;
    const std::size_t timeEnd = endOfLine(at, 256);
    if (timeEnd == npos) return start;
    const auto timeItems = itemsAfterIndent(b_.substr(at, timeEnd - at));
    if (timeItems.size() != 1) return start;
    start.time = timeItems[0];
    at = timeEnd + 2;

    // Between the time line and the separator: [date-time line | question-number line] and
    // the quoted bank line, which never holds a separator line of its own.
    const auto brk = std::lower_bound(separatorBreaks_.begin(), separatorBreaks_.end(), at);
    if (brk == separatorBreaks_.end() || *brk - at > longestQuotedLine) return start;
    std::string_view between = b_.substr(at, *brk - at);
    const std::size_t label = *brk + separatorBreak.size();

    if (b_.substr(label, responseOpening.size()) == responseOpening) {
        start.recordKind = RecordKind::response;
        start.end = label + responseOpening.size();
        const std::string numberStart = "\r\n\r\n" + std::string(questionNumberMarker);
        if (startsWith(between, numberStart)) {
            const std::size_t end = between.find(lineEnd, numberStart.size());
            if (end == npos) return start;
            start.numberLine =
                trimmedBlanks(between.substr(numberStart.size(), end - numberStart.size()));
            between = between.substr(end + 2);
        }
        start.expect = expectedRating(between, course_);
    } else if (b_.substr(label, notesLabel.size()) == notesLabel) {
        start.recordKind = RecordKind::note;
        start.end = label + notesLabel.size();
        const std::size_t end = between.find(lineEnd);
        const auto items = itemsAfterIndent(between.substr(0, end));
        if (end == npos || items.size() != 2) return start;
        start.noteDate = items[0];
        between = between.substr(end + 2);
    } else {
        return start;
    }
    start.quoted = between;
    start.kind = Start::record;
    return start;
}

int Parser::readingsAt(std::size_t pos, std::size_t limit) const {
    if (pos == limit) return 1;
    if (pos > limit) return 0;
    const auto at = std::lower_bound(startPositions_.begin(), startPositions_.end(), pos);
    if (at == startPositions_.end() || *at != pos) return 0;
    return readings_[static_cast<std::size_t>(at - startPositions_.begin())];
}

Parser::Choice Parser::chooseEnd(const Start& start) const {
    // The text, even an empty one, ends with CR LF before a rating line or the closing line.
    const std::size_t earliest = start.end + 2;
    auto pick = [&](const ValidEnds& list) { return Choice{list.nearest(earliest), &list}; };
    if (start.recordKind == RecordKind::note) return pick(noteEnds_);
    Choice choice;
    if (start.expect == Expect::confidence) choice = pick(confidenceEnds_);
    if (start.expect == Expect::selfCritique) choice = pick(selfCritiqueEnds_);
    // A record without the rating its bank line calls for is still read, rating or not.
    if (!choice.closing) choice = pick(responseEnds_);
    return choice;
}

void Parser::solve(std::size_t limit) {
    for (ValidEnds* list : {&responseEnds_, &confidenceEnds_, &selfCritiqueEnds_, &noteEnds_})
        list->clear();
    std::fill(readings_.begin(), readings_.end(), 0);
    auto closing = std::upper_bound(closings_.begin(), closings_.end(), limit);
    auto start = std::lower_bound(startPositions_.begin(), startPositions_.end(), limit);

    // From the end backwards: a closing line is a valid end when what follows it reads to the
    // end; a start reads when one of the valid ends after its text follows it.
    while (closing != closings_.begin() || start != startPositions_.begin()) {
        const bool takeClosing = start == startPositions_.begin() ||
                                 (closing != closings_.begin() && *(closing - 1) > *(start - 1));
        if (takeClosing) {
            const std::size_t c = *--closing;
            const std::size_t after = afterClosing(c);
            if (after > limit || readingsAt(after, limit) == 0) continue;
            noteEnds_.add(c, c);
            if (after == c + closingLine.size()) continue;  // only a note's closing goes on
            responseEnds_.add(c, c);
            const std::size_t ratingLine = lineBefore(c);
            if (ratingLine == npos) continue;
            const std::string_view rating = b_.substr(ratingLine, c - ratingLine);
            if (startsWith(rating, confidenceLabel)) confidenceEnds_.add(ratingLine, c);
            if (startsWith(rating, selfCritiqueLabel)) selfCritiqueEnds_.add(ratingLine, c);
            continue;
        }
        --start;
        const auto index = static_cast<std::size_t>(start - startPositions_.begin());
        const Start& s = starts_[index];
        if (s.kind == Start::header) {
            readings_[index] = s.end <= limit ? readingsAt(s.end, limit) : 0;
        } else {
            const Choice choice = chooseEnd(s);
            if (!choice.closing) continue;
            readings_[index] = readingsAt(afterClosing(*choice.closing), limit);
        }
    }
}

void Parser::place(Record& record, const Run& run) const {
    record.assignment = run.assignment;
    if (!record.unknownQuoted.empty()) {
        record.place = course_.find(record.unknownQuoted, run.assignment);
        if (record.place) {
            record.assignment = record.place->assignment;
            record.question = record.place->question;
            record.unknownQuoted.clear();
        }
    }
    // The master file's question-number line: assignment x 10000 + question.
    const std::string_view number = record.numberLine;
    const std::string_view digits = trimmedBlanks(run.assignment);
    auto wholeValue = [](std::string_view text) -> std::optional<long long> {
        if (text.empty() || text.size() > 15) return std::nullopt;
        long long value = 0;
        for (char c : text) {
            if (c < '0' || c > '9') return std::nullopt;
            value = value * 10 + (c - '0');
        }
        return value;
    };
    const auto value = wholeValue(number), assignment = wholeValue(digits);
    if (value && assignment && *value >= *assignment * 10000 &&
        *value - *assignment * 10000 < 10000)
        record.question = static_cast<int>(*value - *assignment * 10000);
}

Record Parser::recordOf(const Start& start, std::size_t closing, const ValidEnds& list,
                        const Run& run) const {
    Record record;
    record.kind = start.recordKind;
    record.time = std::string(start.time);
    record.noteDate = std::string(start.noteDate);
    record.numberLine = std::string(start.numberLine);
    std::size_t textEnd = closing - 2;
    if (record.kind == RecordKind::response && start.expect != Expect::nothing) {
        // The rating line is the last line before the closing line.
        const std::size_t ratingLine = lineBefore(closing);
        const std::string_view line = b_.substr(ratingLine, closing - 2 - ratingLine);
        const bool fromRatingList = &list != &responseEnds_;
        if (ratingLine >= start.end + 2 || fromRatingList) {
            if (startsWith(line, confidenceLabel) && start.expect != Expect::selfCritique) {
                record.ratingKind = RatingKind::confidence;
                record.rating = std::string(line.substr(confidenceLabel.size()));
            } else if (startsWith(line, selfCritiqueLabel) && start.expect != Expect::confidence) {
                record.ratingKind = RatingKind::selfCritique;
                record.rating = std::string(line.substr(selfCritiqueLabel.size()));
            }
            if (record.ratingKind != RatingKind::none) textEnd = ratingLine - 2;
        }
    }
    record.text = std::string(b_.substr(start.end, textEnd - start.end));
    record.unknownQuoted = std::string(start.quoted);
    place(record, run);
    return record;
}

void Parser::walk(std::size_t limit, ParsedFile& file) const {
    std::size_t p = 0;
    while (p < limit) {
        const auto at = std::lower_bound(startPositions_.begin(), startPositions_.end(), p);
        const Start& s = starts_[static_cast<std::size_t>(at - startPositions_.begin())];
        if (s.kind == Start::header) {
            file.runs.push_back({std::string(s.assignment), std::string(s.title),
                                 std::string(s.courseTitle), std::string(s.date)});
            p = s.end;
            continue;
        }
        const Choice choice = chooseEnd(s);
        Record record = recordOf(s, *choice.closing, *choice.list, file.runs.back());
        record.run = file.runs.size() - 1;
        file.records.push_back(std::move(record));
        p = afterClosing(*choice.closing);
    }
}

// A noise line that runs to the end of the file, or is followed by the start of the assignment
// label: a file header that the end of the file cut off.
bool Parser::looksLikeCutHeader(std::size_t p) const {
    const std::size_t end = endOfLine(p, 512);
    const std::size_t noiseEnd = end == npos ? b_.size() : end;
    if (noiseEnd == p || noiseEnd - p > 512) return false;
    for (std::size_t i = p; i < noiseEnd; ++i)
        if (static_cast<unsigned char>(b_[i]) < 66) return false;
    if (end == npos) return true;
    const std::string_view next = b_.substr(end + 2, assignmentLabel.size());
    if (next.empty() || !startsWith(assignmentLabel, next)) return false;
    // Fewer than the header's five line ends before the end of the file.
    const auto after = std::lower_bound(lineStarts_.begin(), lineStarts_.end(), p);
    return lineStarts_.end() - after <= 5;
}

// The file ends inside a record: keep what it holds, marked incomplete.
void Parser::readCutTail(std::size_t from, ParsedFile& file) const {
    file.cutOff = true;
    std::string_view tail = b_.substr(from);
    if (!startsWith(tail, separatorLine.substr(0, std::min(tail.size(), separatorLine.size()))))
        return;
    Record record;
    record.incomplete = true;
    record.run = file.runs.size() - 1;
    auto nextLine = [&tail]() {
        const std::size_t end = tail.find(lineEnd);
        const std::string_view line = tail.substr(0, end);
        tail = end == npos ? std::string_view() : tail.substr(end + 2);
        return line;
    };
    nextLine();  // the separator line
    if (const auto items = itemsAfterIndent(nextLine()); !items.empty())
        record.time = std::string(items.back());
    if (const auto items = itemsAfterIndent(tail.substr(0, tail.find(lineEnd)));
        items.size() == 2) {
        record.kind = RecordKind::note;
        record.noteDate = std::string(items[0]);
        nextLine();
    }
    const std::string numberStart = "\r\n\r\n" + std::string(questionNumberMarker);
    if (startsWith(tail, numberStart)) {
        tail = tail.substr(4);
        record.numberLine =
            std::string(trimmedBlanks(nextLine().substr(questionNumberMarker.size())));
    }
    const std::size_t brk = tail.find(separatorBreak);
    record.unknownQuoted = std::string(tail.substr(0, brk));
    tail = brk == npos ? std::string_view() : tail.substr(brk + separatorBreak.size());
    if (startsWith(tail, notesLabel)) {
        record.kind = RecordKind::note;
        tail = tail.substr(notesLabel.size());
    } else if (startsWith(tail, responseOpening)) {
        tail = tail.substr(responseOpening.size());
    } else {
        tail = {};
    }
    // Drop what the cut left of the closing line, and read a rating line that came through.
    std::string_view text = tail;
    const std::size_t lastBreak = text.rfind(lineEnd);
    const std::string_view last = text.substr(lastBreak == npos ? 0 : lastBreak + 2);
    if (!last.empty() && last.size() <= closingLine.size() && last.find_first_not_of('.') == npos)
        text = text.substr(0, lastBreak == npos ? 0 : lastBreak + 2);
    if (text.size() >= 2 && text.substr(text.size() - 2) == lineEnd) text.remove_suffix(2);
    if (record.kind == RecordKind::response && !record.unknownQuoted.empty()) {
        const std::size_t lineStart = text.rfind(lineEnd);
        if (lineStart != npos) {
            const std::string_view line = text.substr(lineStart + 2);
            for (auto [label, kind] : {std::pair{confidenceLabel, RatingKind::confidence},
                                       std::pair{selfCritiqueLabel, RatingKind::selfCritique}}) {
                if (!startsWith(line, label)) continue;
                record.ratingKind = kind;
                record.rating = std::string(line.substr(label.size()));
                text = text.substr(0, lineStart);
            }
        }
    }
    record.text = std::string(text);
    place(record, file.runs.back());
    if (brk == npos && !record.place) {  // the cut fell inside the quoted line itself
        std::string_view start = record.unknownQuoted;
        if (!start.empty() && start.back() == '\r') start.remove_suffix(1);
        if (const BankPlace* found = course_.findStart(start, file.runs.back().assignment)) {
            record.place = found;
            record.assignment = found->assignment;
            record.question = found->question;
            record.unknownQuoted.clear();
        }
    }
    file.records.push_back(std::move(record));
}

ParsedFile Parser::parse() {
    ParsedFile file;
    const bool headerFirst = !startPositions_.empty() && startPositions_.front() == 0 &&
                             starts_.front().kind == Start::header;
    if (!headerFirst) {
        file.problem = "not a record file of the tutor: it does not begin with a file header";
        return file;
    }
    solve(b_.size());
    if (readings_.front() > 0) {
        walk(b_.size(), file);
        return file;
    }
    // The file does not read to its end: find the last place where it still reads, a record's
    // separator line or a file header, and keep everything before it.
    std::vector<std::size_t> cutPoints;
    for (std::size_t s : lineStarts_) {
        if (s == 0 || s >= b_.size()) continue;
        const std::string_view rest = b_.substr(s, separatorLine.size());
        if (startsWith(separatorLine, rest)) cutPoints.push_back(s);
    }
    for (std::size_t c : closings_)
        if (c + closingLine.size() < b_.size()) cutPoints.push_back(c + closingLine.size());
    for (std::size_t s : lineStarts_)
        if (s > 0 && s < b_.size() && looksLikeCutHeader(s)) cutPoints.push_back(s);
    for (std::size_t p : startPositions_)
        if (p > 0) cutPoints.push_back(p);
    std::sort(cutPoints.begin(), cutPoints.end(), std::greater<>());
    cutPoints.erase(std::unique(cutPoints.begin(), cutPoints.end()), cutPoints.end());
    int tried = 0;
    for (std::size_t cut : cutPoints) {
        if (++tried > cutPointsTried) break;
        solve(cut);
        if (readings_.front() == 0) continue;
        walk(cut, file);
        readCutTail(cut, file);
        return file;
    }
    file.problem = "its records are not in the tutor's layout";
    file.runs.clear();
    file.records.clear();
    return file;
}

}  // namespace

ParsedFile parseRecordFile(std::string_view bytes, const CourseIndex& course) {
    // Empty lines that a mail program added at the end belong to no record: every record file
    // ends with one line end at most.
    while (bytes.size() >= 4 && bytes.substr(bytes.size() - 4) == "\r\n\r\n")
        bytes.remove_suffix(2);
    return Parser(bytes, course).parse();
}

bool restoreWindows1252(std::string& bytes) {
    std::string restored;
    restored.reserve(bytes.size());
    bool beyondAscii = false;
    std::size_t i = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const bool byteOrderMark = i == 3;
    while (i < bytes.size()) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const std::size_t length = lead < 0x80         ? 1
                                   : (lead >> 5) == 6  ? 2
                                   : (lead >> 4) == 14 ? 3
                                                       : 0;
        if (length == 0 || i + length > bytes.size()) return false;
        char32_t point = length == 1 ? lead : length == 2 ? lead & 0x1F : lead & 0x0F;
        for (std::size_t k = 1; k < length; ++k) {
            const auto next = static_cast<unsigned char>(bytes[i + k]);
            if ((next >> 6) != 2) return false;
            point = (point << 6) | (next & 0x3F);
        }
        const std::optional<unsigned char> byte = cp1252::fromCodePoint(point);
        if (!byte) return false;
        beyondAscii = beyondAscii || length > 1;
        restored += static_cast<char>(*byte);
        i += length;
    }
    if (!beyondAscii && !byteOrderMark) return false;
    bytes = std::move(restored);
    return true;
}

bool normalizeLineEnds(std::string& bytes) {
    if (bytes.find('\r') != npos || bytes.find('\n') == npos) return false;
    std::string converted;
    converted.reserve(bytes.size() + bytes.size() / 16);
    for (char c : bytes) {
        if (c == '\n') converted += '\r';
        converted += c;
    }
    bytes = std::move(converted);
    return true;
}

}  // namespace qatutor::inbox
