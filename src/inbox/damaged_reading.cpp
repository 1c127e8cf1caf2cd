#include "inbox/damaged_reading.h"

#include <algorithm>
#include <functional>

#include "base/text.h"
#include "inbox/partial_record.h"
#include "records/record_layout.h"

namespace qatutor::inbox {
namespace {

// The latest places tried as the end of what reads in a damaged stretch.
constexpr std::size_t cutPointsTried = 16;

}  // namespace

// A separator line followed by the bank line and the separator line after it, as at a record's
// start whose time line was lost; a closing line or a time line on the way shows that this
// separator line ends the text of a record instead.
bool DamagedReading::looksLikeBankLineStart(std::size_t p) const {
    const std::size_t size = scan_.size();
    for (std::size_t next = scan_.nextLine(p, size); next < size && next - p <= longestQuotedLine;
         next = scan_.nextLine(next, size)) {
        const std::string_view between = scan_.lineAt(next, size);
        if (startsWith(between, closingLine) || isTimeLine(between) || scan_.isLabelAt(next))
            return false;
        if (between != separatorLine) continue;
        const std::size_t label = scan_.nextLine(next, size);
        return label < size && scan_.isLabelAt(label);
    }
    return false;
}

// A record's start that does not read (its time line edited, its label lost), or whose
// separator line was lost: a separator line followed by a time line, or by the separator and
// label of its bank line a few lines on; or a time line right after a closing line.
bool DamagedReading::looksLikeRecordStart(std::size_t p) const {
    const std::size_t size = scan_.size();
    const std::string_view line = scan_.lineAt(p, size);
    if (line == separatorLine) {
        const std::size_t next = scan_.nextLine(p, size);
        if (next == size || scan_.isLabelAt(next)) return false;  // the one before a label
        return isTimeLine(scan_.lineAt(next, size)) || looksLikeBankLineStart(p);
    }
    // Only a separator line, or a note's closing line with the separator after it, comes
    // before a time line.
    const std::size_t before = scan_.lineBefore(p);
    if (!isTimeLine(line) || before == npos) return false;
    const std::string_view previous = scan_.lineAt(before, size);
    return previous != separatorLine &&
           previous != std::string(closingLine) + std::string(separatorLine);
}

// Where the stretches of a damaged file start: at every file header and record that reads, and
// every place that looks like a record's start.
std::vector<std::size_t> DamagedReading::stretchStarts() const {
    std::vector<std::size_t> starts = scan_.startPositions();
    for (std::size_t p : scan_.candidates()) {
        const char first = scan_.bytes()[p];
        if ((first == separatorLine[0] || first == ' ') && looksLikeRecordStart(p))
            starts.push_back(p);
    }
    starts.push_back(0);
    std::sort(starts.begin(), starts.end());
    starts.erase(std::unique(starts.begin(), starts.end()), starts.end());
    return starts;
}

bool DamagedReading::holdsAnotherStart(const std::vector<Span>& spans) const {
    const std::vector<std::size_t> starts = stretchStarts();
    for (const Span& span : spans) {
        const auto inside = std::upper_bound(starts.begin(), starts.end(), span.start);
        if (inside != starts.end() && *inside < span.end) return true;
    }
    return false;
}

void DamagedReading::read(ParsedFile& file) {
    const std::vector<std::size_t> starts = stretchStarts();
    for (std::size_t k = 0; k < starts.size(); ++k)
        readStretch(starts[k], k + 1 < starts.size() ? starts[k + 1] : scan_.size(), file);
}

// The places to try as the end of what reads in [from, to), the latest first: a line that may
// start a record, the end of a closing line, a file header the end of the file cut.
std::vector<std::size_t> DamagedReading::cutPoints(std::size_t from, std::size_t to) const {
    std::vector<std::size_t> points;
    const std::vector<std::size_t>& lines = scan_.lineStarts();
    for (auto s = std::upper_bound(lines.begin(), lines.end(), from); s != lines.end() && *s < to;
         ++s) {
        const std::string_view rest =
            scan_.bytes().substr(*s, std::min(separatorLine.size(), to - *s));
        if (startsWith(separatorLine, rest) || isNoiseLine(scan_.lineAt(*s, to)))
            points.push_back(*s);
    }
    const std::vector<std::size_t>& closings = scan_.closings();
    for (auto c = std::lower_bound(closings.begin(), closings.end(), from);
         c != closings.end() && *c < to; ++c)
        if (scan_.afterClosing(*c) < to) points.push_back(scan_.afterClosing(*c));
    const std::vector<std::size_t>& positions = scan_.startPositions();
    for (auto p = std::upper_bound(positions.begin(), positions.end(), from);
         p != positions.end() && *p < to; ++p)
        points.push_back(*p);
    std::sort(points.begin(), points.end(), std::greater<>());
    points.erase(std::unique(points.begin(), points.end()), points.end());
    if (points.size() > cutPointsTried) points.resize(cutPointsTried);
    return points;
}

// Reads one stretch: whole when it keeps to the layout, else the part that does and the rest
// as one damaged (or, at the end of the file, cut) record.
void DamagedReading::readStretch(std::size_t from, std::size_t to, ParsedFile& file) {
    if (!scan_.startOf(from)) return readRest(from, to, file);
    exact_.solve(from, to);
    if (exact_.reads(from, to)) return exact_.walk(from, to, file, nullptr, markNext_);
    std::size_t readTo = from;
    for (std::size_t cut : cutPoints(from, to)) {
        exact_.solve(from, cut);
        if (!exact_.reads(from, cut)) continue;
        readTo = cut;
        break;
    }
    if (readTo > from) exact_.walk(from, readTo, file, nullptr, markNext_);
    readRest(readTo, to, file);
}

// The stretch holds what is left of a record: it starts like one and has its bank line's
// separator or its label.
bool DamagedReading::holdsRecord(std::size_t from, std::size_t to) const {
    const std::string_view firstLine = scan_.lineAt(from, to);
    if (firstLine.empty() ||
        !(startsWith(separatorLine, firstLine.substr(0, separatorLine.size())) ||
          isTimeLine(firstLine)))
        return false;
    const std::string_view stretch = scan_.bytes().substr(from, to - from);
    return stretch.find(separatorBreak) != npos ||
           stretch.find(std::string(lineEnd) + responseOpening) != npos ||
           stretch.find(std::string(lineEnd) + std::string(notesLabel)) != npos;
}

// Reads what follows the last item that read in a stretch: a record cut by the end of the file,
// or the lines where the file leaves the layout, read as far as they go.
void DamagedReading::readRest(std::size_t from, std::size_t to, ParsedFile& file) {
    if (from >= to) return;
    std::optional<LayoutBreak> broken = firstBreak(scan_, from, to);
    if (!broken) broken = LayoutBreak{from, expectedRecord, false};
    if (const Start* header = scan_.startOf(from); header && header->kind == Start::header)
        file.runs.push_back(header->run());
    if (broken->ranOut && to == scan_.size()) return readCutTail(from, file);
    readDamaged(from, to, *broken, file);
}

// The file ends inside a record or a file header: keep what it holds, marked incomplete.
void DamagedReading::readCutTail(std::size_t from, ParsedFile& file) const {
    file.cutOff = true;
    const std::string_view tail = scan_.bytes().substr(from);
    if (file.runs.empty() || tail.empty() ||
        !(startsWith(separatorLine, tail.substr(0, std::min(tail.size(), separatorLine.size()))) ||
          isTimeLine(scan_.lineAt(from, scan_.size()))))
        return;
    file.records.push_back(partialRecord(scan_, from, scan_.size(), true, file.runs.back()));
    file.records.back().run = file.runs.size() - 1;
}

// Lines that break the layout: named where they first do, the record read from them and the
// records on either side marked.
void DamagedReading::readDamaged(std::size_t from, std::size_t to, const LayoutBreak& broken,
                                 ParsedFile& file) {
    // A stretch that only follows another damaged one repeats what that one said.
    if (from != damagedTo_ || broken.at != from)
        file.damage.push_back({scan_.lineNumber(broken.at), broken.expected});
    damagedTo_ = to;
    const std::size_t firstLine = scan_.lineNumber(from), lastLine = scan_.lineNumber(to - 1);
    const std::string lines = firstLine == lastLine
                                  ? "line " + std::to_string(lastLine) + ", which breaks"
                                  : "lines " + std::to_string(firstLine) + " to " +
                                        std::to_string(lastLine) + ", which break";
    const std::string around = "next to " + lines + " the record layout";
    if (!file.records.empty() && file.records.back().doubt.empty())
        file.records.back().doubt = around;
    if (!file.runs.empty() && holdsRecord(from, to)) {
        Record record = partialRecord(scan_, from, to, false, file.runs.back());
        record.run = file.runs.size() - 1;
        record.damaged = true;
        record.doubt = "read from " + lines + " the record layout";
        file.records.push_back(std::move(record));
    }
    markNext_ = around;
}

}  // namespace qatutor::inbox
