#include "inbox/record_file.h"

#include <algorithm>
#include <optional>
#include <utility>

#include "base/cp1252.h"
#include "base/text.h"
#include "records/record_layout.h"

namespace qatutor::inbox {
namespace {

constexpr std::size_t npos = std::string_view::npos;
constexpr std::size_t longestHeaderItem = 8192;
constexpr std::size_t longestQuotedLine = 1 << 20;
constexpr std::size_t longestNoiseLine = 512;  // the codec draws 58 characters at most
constexpr unsigned char lowestNoiseByte = 66;
constexpr char replacedCharacter = '?';  // for a character that a re-save could not keep
constexpr std::size_t longestTimeLine = 256;
constexpr std::size_t headerLines = 5;  // noise line, assignment, header line, course, date
constexpr int cutPointsTried = 16;

// "RESPONSE -->  " and the line end that follows it: the response starts on the next line.
const std::string responseOpening = std::string(responseLabel) + std::string(lineEnd);
const std::string numberStart(questionNumberPrefix);
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

// The noise line: characters 66 to 255, never a blank, a point or a line break; "?" where a
// re-save lost one.
bool isNoiseLine(std::string_view line) {
    return !line.empty() && line.size() <= longestNoiseLine &&
           std::all_of(line.begin(), line.end(), [](char c) {
               return static_cast<unsigned char>(c) >= lowestNoiseByte || c == replacedCharacter;
           });
}

// The time line: the indent, blanks to the time's print zone and the time, "14:05:09".
bool isTimeLine(std::string_view line) {
    const auto items = itemsAfterIndent(line);
    return items.size() == 1 && secondsOf(items[0]) >= 0;
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
    std::size_t after = 0;  // header: where the next item starts; record: where its text starts
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

// Where a stretch of the file leaves the record layout: the line, and what was expected there.
// `ranOut`: the stretch ended where the layout expected more, as at the end of a cut file.
struct LayoutBreak {
    std::size_t at = 0;
    std::string expected;
    bool ranOut = false;
};

const char* const expectedItem =
    "a record's separator line (\"......!!!!!!!!....\") or a file header";
const char* const expectedHeaderLine = "the rest of the file header";
const char* const expectedTime = "the time line: blanks, then the time (HH:MM:SS) at column 57";
const char* const expectedSeparator = "the separator line after the bank line";
const char* const expectedBankLine = "the bank line the record answers (empty before the first)";
const char* const expectedLabel =
    "\"RESPONSE -->  \" or \"NOTES -------> \" after the separator line";
const char* const expectedClosing = "the closing line (49 points) that ends the record";
const char* const expectedRecord = "a record in the tutor's layout";

class Parser {
public:
    Parser(std::string_view bytes, const CourseIndex& course) : b_(bytes), course_(course) {
        scan();
    }

    ParsedFile parse();

private:
    struct Span {
        std::size_t start, end;
    };

    void scan();
    std::size_t endOfLine(std::size_t from, std::size_t longest) const;
    std::string_view lineAt(std::size_t p, std::size_t limit) const;
    std::size_t nextLine(std::size_t p, std::size_t limit) const;
    std::size_t lineNumber(std::size_t p) const;
    Start startAt(std::size_t p) const;
    Start headerAt(std::size_t p) const;
    Start recordAt(std::size_t p) const;
    const Start* startOf(std::size_t p) const;  // the start read at `p`, if one does
    std::size_t afterClosing(std::size_t c) const {
        return b_.substr(c + closingLine.size(), 2) == lineEnd ? c + closingLine.size() + 2
                                                               : c + closingLine.size();
    }
    std::size_t lineBefore(std::size_t lineStart) const;
    bool isLabelAt(std::size_t p) const;

    // Finds which starts in [from, limit) read on to `limit` as the end of the file.
    void solve(std::size_t from, std::size_t limit);
    int readingsAt(std::size_t pos, std::size_t limit) const;
    struct Choice {
        std::optional<std::size_t> closing;
        const ValidEnds* list = nullptr;
    };
    Choice chooseEnd(const Start& start) const;
    void walk(std::size_t from, std::size_t limit, ParsedFile& file, std::vector<Span>* spans);
    Record recordOf(const Start& start, std::size_t closing, const ValidEnds& list,
                    const Run& run) const;
    void place(Record& record, const Run& run) const;

    // Reading a damaged or cut file in stretches.
    bool looksLikeRecordStart(std::size_t p) const;
    std::vector<std::size_t> stretchStarts() const;
    bool holdsAnotherStart(const std::vector<Span>& spans) const;
    void readStretch(std::size_t from, std::size_t to, ParsedFile& file);
    std::vector<std::size_t> cutPoints(std::size_t from, std::size_t to) const;
    std::optional<LayoutBreak> firstBreak(std::size_t from, std::size_t to) const;
    bool wholeLine(std::size_t at, std::size_t to) const;
    LayoutBreak brokenAt(std::size_t at, std::size_t to, const char* expected) const;
    std::optional<LayoutBreak> headerBreak(std::size_t& at, std::size_t to) const;
    std::optional<LayoutBreak> recordHeadBreak(std::size_t& at, std::size_t to) const;
    std::optional<LayoutBreak> textBreak(std::size_t& at, std::size_t to) const;
    std::optional<LayoutBreak> recordBreak(std::size_t& at, std::size_t to) const;
    bool holdsRecord(std::size_t from, std::size_t to) const;
    void readRest(std::size_t from, std::size_t to, ParsedFile& file);
    void readCutTail(std::size_t from, ParsedFile& file) const;
    void readDamaged(std::size_t from, std::size_t to, const LayoutBreak& broken, ParsedFile& file);
    Record partialRecord(std::size_t from, std::size_t to, bool cut, const Run& run) const;
    std::string_view readRecordHead(std::string_view tail, Record& record) const;
    std::string_view readQuotedAndLabel(std::string_view tail, bool cut, Record& record) const;
    void readTextAndRating(std::string_view tail, bool cut, Record& record) const;
    void placeCutQuote(Record& record, bool quoteEnded, const Run& run) const;

    std::string_view b_;
    const CourseIndex& course_;
    std::vector<std::size_t> lineStarts_;
    std::vector<std::size_t> candidates_;       // where an item may start: line starts, and right
                                                // after the points of a note's closing line
    std::vector<std::size_t> closings_;         // line starts holding the closing line's points
    std::vector<std::size_t> separatorBreaks_;  // CR LF, separator, CR LF
    std::vector<std::size_t> startPositions_;   // ascending, with starts_ and readings_ alongside
    std::vector<Start> starts_;
    std::vector<int> readings_;
    ValidEnds responseEnds_, confidenceEnds_, selfCritiqueEnds_, noteEnds_;
    std::string markNext_;  // the mark for the next record read: it follows a damaged stretch
    std::size_t damagedTo_ = npos;  // where the last damaged stretch ended
};

void Parser::scan() {
    lineStarts_.push_back(0);
    for (std::size_t at = b_.find(lineEnd); at != npos; at = b_.find(lineEnd, at + 1))
        lineStarts_.push_back(at + 2);
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
    readings_.assign(starts_.size(), 0);
}

std::size_t Parser::endOfLine(std::size_t from, std::size_t longest) const {
    const std::size_t end =
        b_.substr(0, std::min(b_.size(), from + longest + 2)).find(lineEnd, from);
    return end;
}

// The line at `p`, without its line end, ending at `limit` at the latest.
std::string_view Parser::lineAt(std::size_t p, std::size_t limit) const {
    const std::size_t end = b_.substr(0, limit).find(lineEnd, p);
    return b_.substr(p, (end == npos ? limit : end) - p);
}

// Where the line after the one at `p` starts; `limit` when the line runs to it.
std::size_t Parser::nextLine(std::size_t p, std::size_t limit) const {
    const std::size_t end = b_.substr(0, limit).find(lineEnd, p);
    return end == npos ? limit : std::min(end + 2, limit);
}

std::size_t Parser::lineNumber(std::size_t p) const {
    return static_cast<std::size_t>(std::upper_bound(lineStarts_.begin(), lineStarts_.end(), p) -
                                    lineStarts_.begin());
}

std::size_t Parser::lineBefore(std::size_t lineStart) const {
    const auto at = std::lower_bound(lineStarts_.begin(), lineStarts_.end(), lineStart);
    return at == lineStarts_.begin() ? npos : *(at - 1);
}

bool Parser::isLabelAt(std::size_t p) const {
    return b_.substr(p, responseOpening.size()) == responseOpening ||
           b_.substr(p, notesLabel.size()) == notesLabel;
}

Start Parser::startAt(std::size_t p) const {
    if (b_.substr(p, separatorLine.size()) == separatorLine) return recordAt(p);
    return headerAt(p);
}

Start Parser::headerAt(std::size_t p) const {
    Start start;
    const std::size_t noiseEnd = endOfLine(p, longestNoiseLine);
    if (noiseEnd == npos || !isNoiseLine(b_.substr(p, noiseEnd - p))) return start;
    std::size_t at = noiseEnd + 2;
    if (!startsWith(b_.substr(at), assignmentLabel)) return start;
    std::string_view items[headerLines - 1];
    for (std::string_view& item : items) {
        const std::size_t end = endOfLine(at, longestHeaderItem);
        if (end == npos) return start;
        item = b_.substr(at, end - at);
        at = end + 2;
    }
    start.kind = Start::header;
    start.after = at;
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
    const std::size_t timeEnd = endOfLine(at, longestTimeLine);
    if (timeEnd == npos) return start;
    const auto timeItems = itemsAfterIndent(b_.substr(at, timeEnd - at));
    if (timeItems.size() != 1) return start;
    start.time = timeItems[0];
    at = timeEnd + 2;
    if (b_.substr(at, separatorLine.size()) == separatorLine) return start;  // no bank line

    // Between the time line and the separator: [date-time line | question-number line] and
    // the quoted bank line, which never holds a separator line of its own.
    const auto brk = std::lower_bound(separatorBreaks_.begin(), separatorBreaks_.end(), at);
    if (brk == separatorBreaks_.end() || *brk - at > longestQuotedLine) return start;
    std::string_view between = b_.substr(at, *brk - at);
    const std::size_t label = *brk + separatorBreak.size();

    if (b_.substr(label, responseOpening.size()) == responseOpening) {
        start.recordKind = RecordKind::response;
        start.after = label + responseOpening.size();
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
        start.after = label + notesLabel.size();
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

const Start* Parser::startOf(std::size_t p) const {
    const auto at = std::lower_bound(startPositions_.begin(), startPositions_.end(), p);
    if (at == startPositions_.end() || *at != p) return nullptr;
    return &starts_[static_cast<std::size_t>(at - startPositions_.begin())];
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
    const std::size_t earliest = start.after + 2;
    auto pick = [&](const ValidEnds& list) { return Choice{list.nearest(earliest), &list}; };
    if (start.recordKind == RecordKind::note) return pick(noteEnds_);
    Choice choice;
    if (start.expect == Expect::confidence) choice = pick(confidenceEnds_);
    if (start.expect == Expect::selfCritique) choice = pick(selfCritiqueEnds_);
    // A record without the rating its bank line calls for is still read, rating or not.
    if (!choice.closing) choice = pick(responseEnds_);
    return choice;
}

void Parser::solve(std::size_t from, std::size_t limit) {
    for (ValidEnds* list : {&responseEnds_, &confidenceEnds_, &selfCritiqueEnds_, &noteEnds_})
        list->clear();
    const auto first = std::lower_bound(startPositions_.begin(), startPositions_.end(), from);
    auto start = std::lower_bound(startPositions_.begin(), startPositions_.end(), limit);
    std::fill(readings_.begin() + (first - startPositions_.begin()),
              readings_.begin() + (start - startPositions_.begin()), 0);
    const auto firstClosing = std::lower_bound(closings_.begin(), closings_.end(), from);
    auto closing = std::upper_bound(closings_.begin(), closings_.end(), limit);

    // From the end backwards: a closing line is a valid end when what follows it reads to the
    // end; a start reads when one of the valid ends after its text follows it.
    while (closing != firstClosing || start != first) {
        const bool takeClosing =
            start == first || (closing != firstClosing && *(closing - 1) > *(start - 1));
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
            readings_[index] = s.after <= limit ? readingsAt(s.after, limit) : 0;
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
        if (ratingLine >= start.after + 2 || fromRatingList) {
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
    record.text = std::string(b_.substr(start.after, textEnd - start.after));
    record.unknownQuoted = std::string(start.quoted);
    place(record, run);
    return record;
}

// Reads the items of [from, limit), which `solve(from, limit)` found to read to `limit`.
void Parser::walk(std::size_t from, std::size_t limit, ParsedFile& file, std::vector<Span>* spans) {
    std::size_t p = from;
    while (p < limit) {
        const auto at = std::lower_bound(startPositions_.begin(), startPositions_.end(), p);
        const Start& s = starts_[static_cast<std::size_t>(at - startPositions_.begin())];
        if (s.kind == Start::header) {
            file.runs.push_back({std::string(s.assignment), std::string(s.title),
                                 std::string(s.courseTitle), std::string(s.date)});
            p = s.after;
            continue;
        }
        const Choice choice = chooseEnd(s);
        Record record = recordOf(s, *choice.closing, *choice.list, file.runs.back());
        record.run = file.runs.size() - 1;
        record.damage = std::exchange(markNext_, {});
        file.records.push_back(std::move(record));
        const std::size_t end = afterClosing(*choice.closing);
        if (spans) spans->push_back({p, end});
        p = end;
    }
}

// A record's start that does not read (its time line edited, its label lost), or whose
// separator line was lost: a separator line followed by a time line, or by the separator and
// label of its bank line a few lines on; or a time line right after a closing line.
bool Parser::looksLikeRecordStart(std::size_t p) const {
    const std::string_view line = lineAt(p, b_.size());
    if (line == separatorLine) {
        std::size_t next = nextLine(p, b_.size());
        if (next == b_.size() || isLabelAt(next)) return false;  // the one before a label
        if (isTimeLine(lineAt(next, b_.size()))) return true;
        // The bank line and the separator line after it; a closing line or a time line on the
        // way shows that this separator line ends the text of a record.
        for (; next < b_.size() && next - p <= longestQuotedLine;
             next = nextLine(next, b_.size())) {
            const std::string_view between = lineAt(next, b_.size());
            if (startsWith(between, closingLine) || isTimeLine(between) || isLabelAt(next))
                return false;
            if (between != separatorLine) continue;
            const std::size_t label = nextLine(next, b_.size());
            return label < b_.size() && isLabelAt(label);
        }
        return false;
    }
    // Only a separator line, or a note's closing line with the separator after it, comes
    // before a time line.
    const std::size_t before = lineBefore(p);
    if (!isTimeLine(line) || before == npos) return false;
    const std::string_view previous = lineAt(before, b_.size());
    return previous != separatorLine &&
           previous != std::string(closingLine) + std::string(separatorLine);
}

// Where the stretches of a damaged file start: at every file header and record that reads, and
// every place that looks like a record's start.
std::vector<std::size_t> Parser::stretchStarts() const {
    std::vector<std::size_t> starts = startPositions_;
    for (std::size_t p : candidates_) {
        const char first = b_[p];
        if ((first == separatorLine[0] || first == ' ') && looksLikeRecordStart(p))
            starts.push_back(p);
    }
    starts.push_back(0);
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    return starts;
}

// A record read whole that holds the start of another: the file lost a closing line, a record's
// start was damaged, or a line came in between; the reading that reached the end is wrong.
bool Parser::holdsAnotherStart(const std::vector<Span>& spans) const {
    const std::vector<std::size_t> starts = stretchStarts();
    for (const Span& span : spans) {
        const auto inside = std::upper_bound(starts.begin(), starts.end(), span.start);
        if (inside != starts.end() && *inside < span.end) return true;
    }
    return false;
}

// The places to try as the end of what reads in [from, to), the latest first: a line that may
// start a record, the end of a closing line, a file header the end of the file cut.
std::vector<std::size_t> Parser::cutPoints(std::size_t from, std::size_t to) const {
    std::vector<std::size_t> points;
    const auto firstLine = std::upper_bound(lineStarts_.begin(), lineStarts_.end(), from);
    for (auto s = firstLine; s != lineStarts_.end() && *s < to; ++s) {
        const std::string_view rest = b_.substr(*s, std::min(separatorLine.size(), to - *s));
        if (startsWith(separatorLine, rest) || isNoiseLine(lineAt(*s, to))) points.push_back(*s);
    }
    for (auto c = std::lower_bound(closings_.begin(), closings_.end(), from);
         c != closings_.end() && *c < to; ++c)
        if (afterClosing(*c) < to) points.push_back(afterClosing(*c));
    for (auto p = std::upper_bound(startPositions_.begin(), startPositions_.end(), from);
         p != startPositions_.end() && *p < to; ++p)
        points.push_back(*p);
    std::sort(points.begin(), points.end(), std::greater<>());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    if (points.size() > cutPointsTried) points.resize(cutPointsTried);
    return points;
}

// Reads one stretch: whole when it keeps to the layout, else the part that does and the rest
// as one damaged (or, at the end of the file, cut) record.
void Parser::readStretch(std::size_t from, std::size_t to, ParsedFile& file) {
    if (!startOf(from)) return readRest(from, to, file);
    solve(from, to);
    if (readingsAt(from, to) > 0) return walk(from, to, file, nullptr);
    std::size_t readTo = from;
    for (std::size_t cut : cutPoints(from, to)) {
        solve(from, cut);
        if (readingsAt(from, cut) == 0) continue;
        readTo = cut;
        break;
    }
    if (readTo > from) walk(from, readTo, file, nullptr);
    readRest(readTo, to, file);
}

bool Parser::wholeLine(std::size_t at, std::size_t to) const {
    const std::size_t end = at + lineAt(at, to).size();
    return end + lineEnd.size() <= to && b_.substr(end, lineEnd.size()) == lineEnd;
}

// A break at `at`; ran out when the stretch ends there, or with the line there cut short.
LayoutBreak Parser::brokenAt(std::size_t at, std::size_t to, const char* expected) const {
    return {at, expected, at == to || (!wholeLine(at, to) && at + lineAt(at, to).size() == to)};
}

// A file header: the noise line, "assignment #...", the header line, the course title, the date.
std::optional<LayoutBreak> Parser::headerBreak(std::size_t& at, std::size_t to) const {
    const std::size_t noise = at;
    at = nextLine(at, to);
    const std::string_view assignment = lineAt(at, to);
    if (!startsWith(assignment, assignmentLabel)) {
        const bool cutLabel =
            at == to || (!wholeLine(at, to) && startsWith(assignmentLabel, assignment) &&
                         at + assignment.size() == to);
        return LayoutBreak{noise, expectedItem, cutLabel};
    }
    for (std::size_t i = 1; i < headerLines; ++i) {
        if (at == to || !wholeLine(at, to)) return brokenAt(at, to, expectedHeaderLine);
        at = nextLine(at, to);
    }
    return std::nullopt;
}

// A record up to its text: the separator line, the time line, [the date-time line or the
// question-number line,] the bank line, the separator line and the label.
std::optional<LayoutBreak> Parser::recordHeadBreak(std::size_t& at, std::size_t to) const {
    if (lineAt(at, to) != separatorLine) {
        const bool cutSeparator = !wholeLine(at, to) && startsWith(separatorLine, lineAt(at, to));
        return LayoutBreak{at, expectedItem, cutSeparator && at + lineAt(at, to).size() == to};
    }
    at = nextLine(at, to);
    if (at == to || !isTimeLine(lineAt(at, to))) return brokenAt(at, to, expectedTime);
    at = nextLine(at, to);
    std::size_t previous = at;
    for (int lines = 0;; ++lines) {
        const std::string_view line = lineAt(at, to);
        if (at == to) return brokenAt(at, to, expectedSeparator);
        if (line == separatorLine) {
            if (lines == 0) return brokenAt(at, to, expectedBankLine);
            break;
        }
        if (isLabelAt(at) && lineAt(previous, to).find("!!!!!!!!") != npos)
            return brokenAt(previous, to, expectedSeparator);  // an edited separator line
        if (line == closingLine || isLabelAt(at)) return brokenAt(at, to, expectedSeparator);
        previous = at;
        at = nextLine(at, to);
    }
    at = nextLine(at, to);
    if (at == to || !isLabelAt(at)) return brokenAt(at, to, expectedLabel);
    return std::nullopt;
}

// A record's text from its label on, up to the closing line; a response starts on the line
// after its label, a note on the label's line.
std::optional<LayoutBreak> Parser::textBreak(std::size_t& at, std::size_t to) const {
    if (b_.substr(at, responseOpening.size()) == responseOpening) at = nextLine(at, to);
    for (; at < to; at = nextLine(at, to)) {
        if (startsWith(lineAt(at, to), closingLine)) {
            at = afterClosing(at);
            return std::nullopt;
        }
        const bool lastLine = nextLine(at, to) == to && wholeLine(at, to);
        if (lastLine && lineAt(at, to).find(closingLine) != npos)
            return brokenAt(at, to, expectedClosing);  // an edited closing line
    }
    return brokenAt(at, to, expectedClosing);
}

// The next item in [at, to): a whole file header or record moves `at` past it; else where it
// leaves the layout.
std::optional<LayoutBreak> Parser::recordBreak(std::size_t& at, std::size_t to) const {
    if (isNoiseLine(lineAt(at, to))) return headerBreak(at, to);
    if (auto broken = recordHeadBreak(at, to)) return broken;
    return textBreak(at, to);
}

// Where [from, to) first leaves the record layout; nothing when it keeps to it throughout.
std::optional<LayoutBreak> Parser::firstBreak(std::size_t from, std::size_t to) const {
    std::size_t at = from;
    while (at < to)
        if (auto broken = recordBreak(at, to)) return broken;
    return std::nullopt;
}

// The stretch holds what is left of a record: it starts like one and has its bank line's
// separator or its label.
bool Parser::holdsRecord(std::size_t from, std::size_t to) const {
    const std::string_view firstLine = lineAt(from, to);
    if (firstLine.empty() ||
        !(startsWith(separatorLine, firstLine.substr(0, separatorLine.size())) ||
          isTimeLine(firstLine)))
        return false;
    const std::string_view stretch = b_.substr(from, to - from);
    return stretch.find(separatorBreak) != npos ||
           stretch.find(std::string(lineEnd) + responseOpening) != npos ||
           stretch.find(std::string(lineEnd) + std::string(notesLabel)) != npos;
}

// Reads what follows the last item that read in a stretch: a record cut by the end of the file,
// or the lines where the file leaves the layout, read as far as they go.
void Parser::readRest(std::size_t from, std::size_t to, ParsedFile& file) {
    if (from >= to) return;
    std::optional<LayoutBreak> broken = firstBreak(from, to);
    if (!broken) broken = LayoutBreak{from, expectedRecord, false};
    if (const Start* header = startOf(from); header && header->kind == Start::header)
        file.runs.push_back({std::string(header->assignment), std::string(header->title),
                             std::string(header->courseTitle), std::string(header->date)});
    if (broken->ranOut && to == b_.size()) return readCutTail(from, file);
    readDamaged(from, to, *broken, file);
}

// The file ends inside a record or a file header: keep what it holds, marked incomplete.
void Parser::readCutTail(std::size_t from, ParsedFile& file) const {
    file.cutOff = true;
    const std::string_view tail = b_.substr(from);
    if (file.runs.empty() || tail.empty() ||
        !(startsWith(separatorLine, tail.substr(0, std::min(tail.size(), separatorLine.size()))) ||
          isTimeLine(lineAt(from, b_.size()))))
        return;
    file.records.push_back(partialRecord(from, b_.size(), true, file.runs.back()));
    file.records.back().run = file.runs.size() - 1;
}

// Lines that break the layout: named where they first do, the record read from them and the
// records on either side marked.
void Parser::readDamaged(std::size_t from, std::size_t to, const LayoutBreak& broken,
                         ParsedFile& file) {
    // A stretch that only follows another damaged one repeats what that one said.
    if (from != damagedTo_ || broken.at != from)
        file.damage.push_back({lineNumber(broken.at), broken.expected});
    damagedTo_ = to;
    const std::size_t lastLine = lineNumber(to - 1);
    const std::string lines = lineNumber(from) == lastLine
                                  ? "line " + std::to_string(lastLine) + ", which breaks"
                                  : "lines " + std::to_string(lineNumber(from)) + " to " +
                                        std::to_string(lastLine) + ", which break";
    const std::string around = "next to " + lines + " the record layout";
    if (!file.records.empty() && file.records.back().damage.empty())
        file.records.back().damage = around;
    if (!file.runs.empty() && holdsRecord(from, to)) {
        Record record = partialRecord(from, to, false, file.runs.back());
        record.run = file.runs.size() - 1;
        record.damaged = true;
        record.damage = "read from " + lines + " the record layout";
        file.records.push_back(std::move(record));
    }
    markNext_ = around;
}

// The separator line (or as much of it as the cut left), the time line, and a note's date-time
// line or a master file's question-number line.
std::string_view Parser::readRecordHead(std::string_view tail, Record& record) const {
    auto nextLine = [&tail]() {
        const std::size_t end = tail.find(lineEnd);
        const std::string_view line = tail.substr(0, end);
        tail = end == npos ? std::string_view() : tail.substr(end + 2);
        return line;
    };
    if (!isTimeLine(tail.substr(0, tail.find(lineEnd)))) nextLine();  // the separator line
    const std::string_view timeLine = tail.substr(0, tail.find(lineEnd));
    const std::size_t timeStart = timeLine.find_first_not_of(" \t");
    const std::string_view editedTime =  // its blanks turned into tabs, or some lost
        timeStart == npos ? std::string_view() : timeLine.substr(timeStart);
    if (const auto items = itemsAfterIndent(timeLine); !items.empty()) {
        record.time = std::string(items.back());
        nextLine();
    } else if (secondsOf(editedTime) >= 0) {
        record.time = std::string(editedTime);
        nextLine();
    }
    if (const auto items = itemsAfterIndent(tail.substr(0, tail.find(lineEnd)));
        items.size() == 2) {
        record.kind = RecordKind::note;
        record.noteDate = std::string(items[0]);
        nextLine();
    }
    if (startsWith(tail, numberStart)) {
        tail = tail.substr(4);
        record.numberLine =
            std::string(trimmedBlanks(nextLine().substr(questionNumberMarker.size())));
    }
    return tail;
}

// The quoted bank line up to its separator line and the label after it; the rest is the text.
// In a damaged record without that separator line, the bank line ends at the label, or is the
// first line; in a cut one it runs to the cut.
std::string_view Parser::readQuotedAndLabel(std::string_view tail, bool cut, Record& record) const {
    std::size_t quoteEnd = tail.find(separatorBreak);
    std::size_t rest = quoteEnd == npos ? npos : quoteEnd + separatorBreak.size();
    if (startsWith(tail, std::string(separatorLine) + std::string(lineEnd))) {
        quoteEnd = 0;  // recorded before the first piece was shown
        rest = separatorLine.size() + lineEnd.size();
    } else if (quoteEnd == npos && !cut) {
        const std::size_t response = tail.find("\r\n" + responseOpening);
        const std::size_t note = tail.find("\r\n" + std::string(notesLabel));
        quoteEnd = std::min({response, note, tail.find(lineEnd)});
        rest = quoteEnd == npos ? npos : quoteEnd + 2;
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

// The text up to the closing line (or what the cut left of it), and a rating line before it.
void Parser::readTextAndRating(std::string_view text, bool cut, Record& record) const {
    if (!cut) {
        const std::size_t closing = text.find(closingLine);
        if (closing != npos &&
            (closing == 0 || (closing >= 2 && text.substr(closing - 2, 2) == lineEnd)))
            text = text.substr(0, closing);
    }
    if (text.size() >= 2 && text.substr(text.size() - 2) == lineEnd) text.remove_suffix(2);
    // What the cut left of the closing line; in a damaged record, its edited closing line.
    const std::size_t lastBreak = text.rfind(lineEnd);
    const std::string_view last = text.substr(lastBreak == npos ? 0 : lastBreak + 2);
    const bool cutClosing =
        !last.empty() && last.size() <= closingLine.size() && last.find_first_not_of('.') == npos;
    if (cutClosing || (!cut && last.find(closingLine) != npos))
        text = text.substr(0, lastBreak == npos ? 0 : lastBreak);
    // Before the first piece the tutor asks for no rating; a damaged record keeps its own.
    if (record.kind == RecordKind::response && (!record.unknownQuoted.empty() || !cut)) {
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
}

// A bank line that the cut left only the start of: the one line of the assignment that starts
// so.
void Parser::placeCutQuote(Record& record, bool quoteEnded, const Run& run) const {
    if (quoteEnded || record.place) return;
    std::string_view start = record.unknownQuoted;
    if (!start.empty() && start.back() == '\r') start.remove_suffix(1);
    if (const BankPlace* found = course_.findStart(start, run.assignment)) {
        record.place = found;
        record.assignment = found->assignment;
        record.question = found->question;
        record.unknownQuoted.clear();
    }
}

// A record of [from, to) read as far as it keeps to the layout: cut by the end of the file
// (marked incomplete) or damaged.
Record Parser::partialRecord(std::size_t from, std::size_t to, bool cut, const Run& run) const {
    Record record;
    record.incomplete = cut;
    std::string_view tail = readRecordHead(b_.substr(from, to - from), record);
    const bool quoteEnded = startsWith(tail, separatorLine) || tail.find(separatorBreak) != npos;
    readTextAndRating(readQuotedAndLabel(tail, cut, record), cut, record);
    place(record, run);
    if (cut) placeCutQuote(record, quoteEnded, run);
    return record;
}

ParsedFile Parser::parse() {
    ParsedFile file;
    const bool headerFirst = !startPositions_.empty() && startPositions_.front() == 0 &&
                             starts_.front().kind == Start::header;
    if (!headerFirst) {
        file.problem = "not a record file of the tutor: it does not begin with a file header";
        return file;
    }
    solve(0, b_.size());
    if (readingsAt(0, b_.size()) > 0) {
        std::vector<Span> spans;
        walk(0, b_.size(), file, &spans);
        if (!holdsAnotherStart(spans)) return file;
        file = ParsedFile();
    }
    // Damaged or cut: read from each start to the next.
    const std::vector<std::size_t> starts = stretchStarts();
    for (std::size_t k = 0; k < starts.size(); ++k)
        readStretch(starts[k], k + 1 < starts.size() ? starts[k + 1] : b_.size(), file);
    if (file.records.empty() && !file.damage.empty()) {
        file = ParsedFile();
        file.problem = "its records are not in the tutor's layout";
    }
    return file;
}

}  // namespace

ParsedFile parseRecordFile(std::string_view bytes, const CourseIndex& course) {
    // Empty lines that a mail program added at the end belong to no record: every record file
    // ends with one line end at most.
    while (bytes.size() >= 4 && bytes.substr(bytes.size() - 4) == "\r\n\r\n")
        bytes.remove_suffix(2);
    ParsedFile file = Parser(bytes, course).parse();
    auto readWhole = [](const ParsedFile& parsed) {
        return !parsed.cutOff && parsed.problem.empty() && parsed.damage.empty();
    };
    if (readWhole(file) || bytes.empty() || bytes.ends_with(lineEnd)) return file;
    // An editor may save the file without its last line end: read it as if it were there.
    const std::string ended = std::string(bytes) + std::string(lineEnd);
    ParsedFile retried = Parser(ended, course).parse();
    if (!readWhole(retried)) return file;
    retried.lastLineEndMissing = true;
    return retried;
}

int secondsOf(std::string_view time) {
    if (time.size() != 8 || time[2] != ':' || time[5] != ':') return -1;
    for (std::size_t i : {0, 1, 3, 4, 6, 7})
        if (!isDigit(time[i])) return -1;
    auto two = [&](std::size_t i) { return (time[i] - '0') * 10 + (time[i + 1] - '0'); };
    return two(0) * 3600 + two(3) * 60 + two(6);
}

std::optional<char32_t> decodeUtf8(std::string_view bytes, std::size_t& at) {
    static constexpr char32_t lowest[] = {0, 0, 0x80, 0x800, 0x10000};  // by length: no overlong
    const auto lead = static_cast<unsigned char>(bytes[at]);
    const std::size_t length = lead < 0x80         ? 1
                               : (lead >> 5) == 6  ? 2
                               : (lead >> 4) == 14 ? 3
                               : (lead >> 3) == 30 ? 4
                                                   : 0;
    if (length == 0 || at + length > bytes.size()) return std::nullopt;
    char32_t point = length == 1 ? lead : lead & (0x7F >> length);
    for (std::size_t k = 1; k < length; ++k) {
        const auto next = static_cast<unsigned char>(bytes[at + k]);
        if ((next >> 6) != 2) return std::nullopt;
        point = (point << 6) | (next & 0x3F);
    }
    if (point < lowest[length] || point > 0x10FFFF || (point >= 0xD800 && point <= 0xDFFF))
        return std::nullopt;
    at += length;
    return point;
}

namespace {

constexpr char32_t replacementCharacter = 0xFFFD;

// Code points back to Windows-1252 bytes; one without a byte, or one the editor replaced,
// becomes "?".
class Restored {
public:
    explicit Restored(std::size_t size) { bytes_.reserve(size); }
    void add(char32_t point) {
        const std::optional<unsigned char> byte = cp1252::fromCodePoint(point);
        if (point == replacementCharacter) replaced_ = true;
        if (!byte) lost_ = true;
        beyondAscii_ = beyondAscii_ || point >= 0x80;
        bytes_ += byte ? static_cast<char>(*byte) : replacedCharacter;
    }
    bool replaced() const { return replaced_; }
    bool lost() const { return lost_; }
    bool beyondAscii() const { return beyondAscii_; }
    std::string& bytes() { return bytes_; }

private:
    std::string bytes_;
    bool replaced_ = false, lost_ = false, beyondAscii_ = false;
};

// UTF-16 from Notepad's "Unicode": its byte-order mark, or else the zero bytes that every
// character of Windows-1252 below U+0100 has on one side.
std::optional<std::string> fromUtf16(const std::string& bytes) {
    if (bytes.size() < 2 || bytes.size() % 2 != 0) return std::nullopt;
    std::size_t at = 0;
    bool little;
    if (bytes.compare(0, 2, "\xFF\xFE") == 0 || bytes.compare(0, 2, "\xFE\xFF") == 0) {
        little = bytes[0] == '\xFF';
        at = 2;
    } else {
        std::size_t evenZeros = 0, oddZeros = 0;
        for (std::size_t i = 0; i < bytes.size(); i += 2) {
            evenZeros += bytes[i] == '\0';
            oddZeros += bytes[i + 1] == '\0';
        }
        const std::size_t units = bytes.size() / 2;
        if (oddZeros * 2 >= units && evenZeros * 8 <= oddZeros)
            little = true;
        else if (evenZeros * 2 >= units && oddZeros * 8 <= evenZeros)
            little = false;
        else
            return std::nullopt;
    }
    auto unit = [&](std::size_t i) -> char32_t {
        const auto first = static_cast<unsigned char>(bytes[i]);
        const auto second = static_cast<unsigned char>(bytes[i + 1]);
        return little ? first | second << 8 : first << 8 | second;
    };
    Restored restored(bytes.size() / 2);
    for (; at < bytes.size(); at += 2) {
        char32_t point = unit(at);
        if (point == 0) return std::nullopt;  // no text
        if (point >= 0xD800 && point <= 0xDBFF && at + 3 < bytes.size()) {
            point = 0x10000 + ((point - 0xD800) << 10) + (unit(at + 2) - 0xDC00);
            at += 2;
        }
        restored.add(point);
    }
    return std::move(restored.bytes());
}

}  // namespace

Resave restoreWindows1252(std::string& bytes) {
    if (std::optional<std::string> utf16 = fromUtf16(bytes)) {
        bytes = std::move(*utf16);
        return Resave::utf16;
    }
    std::size_t at = bytes.compare(0, 3, "\xEF\xBB\xBF") == 0 ? 3 : 0;
    const bool byteOrderMark = at == 3;
    Restored restored(bytes.size());
    while (at < bytes.size()) {
        const std::optional<char32_t> point = decodeUtf8(bytes, at);
        if (!point) return Resave::none;
        restored.add(*point);
    }
    // A character without a Windows-1252 byte is the editor's only where it replaced others.
    if (restored.lost() && !restored.replaced()) return Resave::none;
    if (!restored.beyondAscii() && !byteOrderMark) return Resave::none;
    bytes = std::move(restored.bytes());
    return restored.replaced() ? Resave::utf8Replaced : Resave::utf8;
}

bool restoreTrimmedBlanks(std::string& bytes) {
    if (bytes.find(" \r\n") != npos) return false;
    auto trimmed = [](std::string_view label) {
        return label.substr(0, label.find_last_not_of(' ') + 1);
    };
    std::string restored;
    restored.reserve(bytes.size() + bytes.size() / 32);
    bool changed = false;
    for (std::size_t at = 0; at < bytes.size();) {
        const std::size_t end = std::min(bytes.find(lineEnd, at), bytes.size());
        const std::string_view line = std::string_view(bytes).substr(at, end - at);
        restored += line;
        for (std::string_view label :
             {responseLabel, notesLabel, confidenceLabel, selfCritiqueLabel})
            if (line == trimmed(label)) {
                restored += label.substr(line.size());
                changed = true;
            }
        restored += std::string_view(bytes).substr(end, 2);
        at = end + 2;
    }
    if (changed) bytes = std::move(restored);
    return changed;
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
