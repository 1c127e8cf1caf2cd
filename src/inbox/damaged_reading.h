// Reading a record file past damage: a file damaged in the middle (a line added, lost or edited)
// is read in stretches from one record's start to the next. What keeps to the layout is read
// exactly (exact_reading.h); each place where the file leaves it is named by its line and what
// was expected there (layout_breaks.h); the record read from a damaged stretch
// (partial_record.h), and the records on either side of it, are marked. A file cut short keeps
// what it holds, its last record marked incomplete. Within the reader only.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "inbox/exact_reading.h"
#include "inbox/layout_breaks.h"
#include "inbox/record_file.h"
#include "inbox/record_scan.h"

namespace qatutor::inbox {

class DamagedReading {
public:
    DamagedReading(const RecordScan& scan, ExactReading& exact) : scan_(scan), exact_(exact) {}

    // A record read whole that holds the start of another: the file lost a closing line, a
    // record's start was damaged, or a line came in between; the reading that reached the end
    // is wrong.
    bool holdsAnotherStart(const std::vector<Span>& spans) const;

    // Reads the whole file, stretch by stretch, into `file`.
    void read(ParsedFile& file);

private:
    bool looksLikeRecordStart(std::size_t p) const;
    bool looksLikeBankLineStart(std::size_t p) const;
    std::vector<std::size_t> stretchStarts() const;
    std::vector<std::size_t> cutPoints(std::size_t from, std::size_t to) const;
    void readStretch(std::size_t from, std::size_t to, ParsedFile& file);
    bool holdsRecord(std::size_t from, std::size_t to) const;
    void readRest(std::size_t from, std::size_t to, ParsedFile& file);
    void readCutTail(std::size_t from, ParsedFile& file) const;
    void readDamaged(std::size_t from, std::size_t to, const LayoutBreak& broken, ParsedFile& file);

    const RecordScan& scan_;
    ExactReading& exact_;
    std::string markNext_;  // the mark for the next record read: it follows a damaged stretch
    std::size_t damagedTo_ = npos;  // where the last damaged stretch ended
};

}  // namespace qatutor::inbox
