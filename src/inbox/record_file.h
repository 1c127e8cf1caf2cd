// Reads a send file or a master file back into its runs and records.
//
// A file is a series of runs, each a file header followed by the run's records:
//   file header      noise line, "assignment #003", the assignment's header line, the course
//                    title, the date
//   response record  separator, time line, [master file: the question-number line], the bank
//                    line answered, separator, "RESPONSE -->  ", the response, [rating line],
//                    closing line
//   notes record     separator, time line, date-time line, the bank line, separator,
//                    "NOTES -------> " and the note, closing line (in a send file the next
//                    record or header goes on right after its points)
// A response or a note may hold any bytes, its own separator and closing lines included, so the
// end of each record is its first closing line after which the whole rest of the file reads
// as records too: a response that holds a closing line followed by anything but a record, a file
// header or the end of the file is read whole.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "inbox/course_index.h"

namespace qatutor::inbox {

enum class RecordKind { response, note };
enum class RatingKind { none, confidence, selfCritique };

struct Run {
    std::string assignment;  // as written after "assignment #"
    std::string title;       // the assignment's header line
    std::string courseTitle;
    std::string date;  // "12-07-2026"
};

struct Record {
    RecordKind kind = RecordKind::response;
    std::size_t run = 0;               // index into ParsedFile::runs
    std::string time;                  // "14:05:09", as written
    std::string noteDate;              // a note's own date
    const BankPlace* place = nullptr;  // where the bank holds the quoted line, if it does
    std::string unknownQuoted;         // the quoted line when the bank does not hold it
    std::string numberLine;            // master file: the question-number item, "20001"
    std::string assignment;            // from the bank place, else from the file header
    int question = 0;                  // 0: no number known
    RatingKind ratingKind = RatingKind::none;
    std::string rating;       // the reply as typed
    std::string text;         // the response, or the note without its label
    bool incomplete = false;  // the file ends inside this record

    std::string_view quoted() const {
        return place ? place->quoted : std::string_view(unknownQuoted);
    }
};

struct ParsedFile {
    std::vector<Run> runs;
    std::vector<Record> records;
    bool cutOff = false;  // the file ends inside a record or a file header
    std::string problem;  // why the file is not a record file; empty when it was read
};

// Reads the bytes of one record file, with CR LF line ends (see normalizeLineEnds).
ParsedFile parseRecordFile(std::string_view bytes, const CourseIndex& course);

// A file whose line ends a mail program turned into LF (no CR LF anywhere) gets its CR LF back.
// Returns true when it changed anything.
bool normalizeLineEnds(std::string& bytes);

// A file that an editor saved again as UTF-8 gets its Windows-1252 bytes back. The tutor's own
// files are never valid UTF-8 beyond ASCII: the noise line of every file header is random bytes
// from 118 to 255. Returns true when it changed anything.
//   "caf\xC3\xA9" -> "caf\xE9"     "\xEF\xBB\xBFabc" (a byte-order mark) -> "abc"
bool restoreWindows1252(std::string& bytes);

}  // namespace qatutor::inbox
