// Reading a stretch of a record file exactly, as the tutor wrote it. A response or a note may
// hold any bytes, its own separator and closing lines included, so the end of each record is its
// first closing line after which the whole rest of the stretch reads as records too. Which
// starts read on to the end is found from the end backwards (solve), then the stretch is read
// from its start (walk). Within the reader only.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "inbox/record_file.h"
#include "inbox/record_scan.h"

namespace qatutor::inbox {

// Closing lines after which the rest of the stretch reads as records, the nearest added last.
// The key of each is where a record's ending starts: the closing line itself, or the rating line
// before it; the record's text must end before the key.
class ValidEnds {
public:
    void add(std::size_t key, std::size_t closing) { ends_.push_back({key, closing}); }
    void clear() { ends_.clear(); }
    // The nearest closing line whose key is at least `minKey`.
    std::optional<std::size_t> nearest(std::size_t minKey) const;

private:
    struct End {
        std::size_t key;
        std::size_t closing;
    };
    std::vector<End> ends_;
};

// Where a record read whole lies: [start, end).
struct Span {
    std::size_t start, end;
};

class ExactReading {
public:
    explicit ExactReading(const RecordScan& scan);

    // Finds which starts in [from, limit) read on to `limit` as the end of the file.
    void solve(std::size_t from, std::size_t limit);
    // After solve(from, limit): the stretch reads exactly from `from` to `limit`.
    bool reads(std::size_t from, std::size_t limit) const { return readingsAt(from, limit) > 0; }
    // Reads the runs and records of [from, limit), which solve(from, limit) found to read to
    // `limit`; each record's span goes to `spans` if given. The first record read takes
    // `pendingMark` as its damage mark, and leaves it empty.
    void walk(std::size_t from, std::size_t limit, ParsedFile& file, std::vector<Span>* spans,
              std::string& pendingMark) const;

private:
    struct Choice {
        std::optional<std::size_t> closing;
        const ValidEnds* list = nullptr;
    };
    int readingsAt(std::size_t pos, std::size_t limit) const;
    void addValidEnd(std::size_t c, std::size_t limit);
    Choice chooseEnd(const Start& start) const;
    Record recordOf(const Start& start, std::size_t closing, const ValidEnds& list,
                    const Run& run) const;

    const RecordScan& scan_;
    std::vector<int> readings_;  // beside scan_.starts()
    ValidEnds responseEnds_, confidenceEnds_, selfCritiqueEnds_, noteEnds_;
};

}  // namespace qatutor::inbox
