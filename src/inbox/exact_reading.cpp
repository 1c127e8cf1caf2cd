#include "inbox/exact_reading.h"

#include <algorithm>
#include <utility>

#include "base/text.h"
#include "records/record_layout.h"

namespace qatutor::inbox {

std::optional<std::size_t> ValidEnds::nearest(std::size_t minKey) const {
    // Keys were added from the end of the file backwards, so they fall along the vector.
    const auto past = std::partition_point(ends_.begin(), ends_.end(),
                                           [&](const End& end) { return end.key >= minKey; });
    if (past == ends_.begin()) return std::nullopt;
    return (past - 1)->closing;
}

ExactReading::ExactReading(const RecordScan& scan)
    : scan_(scan), readings_(scan.starts().size(), 0) {}

int ExactReading::readingsAt(std::size_t pos, std::size_t limit) const {
    if (pos == limit) return 1;
    if (pos > limit) return 0;
    const std::vector<std::size_t>& positions = scan_.startPositions();
    const auto at = std::lower_bound(positions.begin(), positions.end(), pos);
    if (at == positions.end() || *at != pos) return 0;
    return readings_[static_cast<std::size_t>(at - positions.begin())];
}

// The closing line at `c` is a valid end when what follows it reads to `limit`: for a note, and
// unless a send file's note goes on right after its points, for a response, with its rating line
// if it has one.
void ExactReading::addValidEnd(std::size_t c, std::size_t limit) {
    const std::size_t after = scan_.afterClosing(c);
    if (after > limit || readingsAt(after, limit) == 0) return;
    noteEnds_.add(c, c);
    if (after == c + closingLine.size()) return;  // only a note's closing goes on
    responseEnds_.add(c, c);
    const std::size_t ratingLine = scan_.lineBefore(c);
    if (ratingLine == npos) return;
    const std::string_view rating = scan_.bytes().substr(ratingLine, c - ratingLine);
    if (startsWith(rating, confidenceLabel)) confidenceEnds_.add(ratingLine, c);
    if (startsWith(rating, selfCritiqueLabel)) selfCritiqueEnds_.add(ratingLine, c);
}

void ExactReading::solve(std::size_t from, std::size_t limit) {
    for (ValidEnds* list : {&responseEnds_, &confidenceEnds_, &selfCritiqueEnds_, &noteEnds_})
        list->clear();
    const std::vector<std::size_t>& positions = scan_.startPositions();
    const std::vector<std::size_t>& closings = scan_.closings();
    const auto first = std::lower_bound(positions.begin(), positions.end(), from);
    auto start = std::lower_bound(positions.begin(), positions.end(), limit);
    std::fill(readings_.begin() + (first - positions.begin()),
              readings_.begin() + (start - positions.begin()), 0);
    const auto firstClosing = std::lower_bound(closings.begin(), closings.end(), from);
    auto closing = std::upper_bound(closings.begin(), closings.end(), limit);

    // From the end backwards: a closing line is a valid end when what follows it reads to the
    // end; a start reads when one of the valid ends after its text follows it.
    while (closing != firstClosing || start != first) {
        const bool takeClosing =
            start == first || (closing != firstClosing && *(closing - 1) > *(start - 1));
        if (takeClosing) {
            addValidEnd(*--closing, limit);
            continue;
        }
        --start;
        const auto index = static_cast<std::size_t>(start - positions.begin());
        const Start& s = scan_.starts()[index];
        if (s.kind == Start::header) {
            readings_[index] = s.after <= limit ? readingsAt(s.after, limit) : 0;
        } else if (const Choice choice = chooseEnd(s); choice.closing) {
            readings_[index] = readingsAt(scan_.afterClosing(*choice.closing), limit);
        }
    }
}

ExactReading::Choice ExactReading::chooseEnd(const Start& start) const {
    // The text, even an empty one, ends with CR LF before a rating line or the closing line.
    const std::size_t earliest = start.after + lineEnd.size();
    auto pick = [&](const ValidEnds& list) { return Choice{list.nearest(earliest), &list}; };
    if (start.recordKind == RecordKind::note) return pick(noteEnds_);
    Choice choice;
    if (start.expect == Expect::confidence) choice = pick(confidenceEnds_);
    if (start.expect == Expect::selfCritique) choice = pick(selfCritiqueEnds_);
    // A record without the rating its bank line calls for is still read, rating or not.
    if (!choice.closing) choice = pick(responseEnds_);
    return choice;
}

Record ExactReading::recordOf(const Start& start, std::size_t closing, const ValidEnds& list,
                              const Run& run) const {
    Record record;
    record.kind = start.recordKind;
    record.time = std::string(start.time);
    record.noteDate = std::string(start.noteDate);
    record.numberLine = std::string(start.numberLine);
    std::size_t textEnd = closing - lineEnd.size();
    if (record.kind == RecordKind::response && start.expect != Expect::nothing) {
        // The rating line is the last line before the closing line.
        const std::size_t ratingLine = scan_.lineBefore(closing);
        const std::string_view line = scan_.bytes().substr(ratingLine, textEnd - ratingLine);
        const bool fromRatingList = &list != &responseEnds_;
        if (ratingLine >= start.after + lineEnd.size() || fromRatingList) {
            if (startsWith(line, confidenceLabel) && start.expect != Expect::selfCritique) {
                record.ratingKind = RatingKind::confidence;
                record.rating = std::string(line.substr(confidenceLabel.size()));
            } else if (startsWith(line, selfCritiqueLabel) && start.expect != Expect::confidence) {
                record.ratingKind = RatingKind::selfCritique;
                record.rating = std::string(line.substr(selfCritiqueLabel.size()));
            }
            if (record.ratingKind != RatingKind::none) textEnd = ratingLine - lineEnd.size();
        }
    }
    record.text = std::string(scan_.bytes().substr(start.after, textEnd - start.after));
    record.unknownQuoted = std::string(start.quoted);
    scan_.place(record, run);
    return record;
}

void ExactReading::walk(std::size_t from, std::size_t limit, ParsedFile& file,
                        std::vector<Span>* spans, std::string& pendingMark) const {
    std::size_t p = from;
    while (p < limit) {
        const Start& s = *scan_.startOf(p);
        if (s.kind == Start::header) {
            file.runs.push_back(s.run());
            p = s.after;
            continue;
        }
        const Choice choice = chooseEnd(s);
        Record record = recordOf(s, *choice.closing, *choice.list, file.runs.back());
        record.run = file.runs.size() - 1;
        record.doubt = std::exchange(pendingMark, {});
        file.records.push_back(std::move(record));
        const std::size_t end = scan_.afterClosing(*choice.closing);
        if (spans) spans->push_back({p, end});
        p = end;
    }
}

}  // namespace qatutor::inbox
