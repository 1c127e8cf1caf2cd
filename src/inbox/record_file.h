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
//
// A file damaged in the middle (a line added, lost or edited) is read in stretches from one
// record's start to the next: what keeps to the layout is read as ever, and each place where
// the file leaves it is named by its line and what was expected there. The record read from a
// damaged stretch, and the records on either side of it, are marked; a record never takes a
// rating line from beyond the next record's start. A file is taken for damaged when a record
// would hold what looks like another's start: a separator line followed by a time line, or by a
// bank line, a separator line and a label; or a time line after anything but a separator line.
// A response that holds such lines of its own is reported as damage too, rather than risk
// merging two records into one.
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
    bool damaged = false;     // read from lines that break the record layout
    std::string doubt;        // empty, or why to doubt the record: "read from lines 23 to 29,
                              // which break the record layout", "next to lines 23 to 29, ..."

    std::string_view quoted() const {
        return place ? place->quoted : std::string_view(unknownQuoted);
    }
};

// A place where the file leaves the record layout.
struct Damage {
    std::size_t line = 0;  // counted from 1
    std::string expected;  // "the time line: blanks, then the time (HH:MM:SS) at column 57"
};

struct ParsedFile {
    std::vector<Run> runs;
    std::vector<Record> records;
    bool cutOff = false;              // the file ends inside a record or a file header
    bool lastLineEndMissing = false;  // read as if the file ended with the CR LF it lacks
    std::vector<Damage> damage;       // in file order
    // What the report says of a file that is no record file ("it does not begin with a file
    // header"): a fact about the student's file for its "not read" line, not a failure of the
    // inbox. Empty when the file was read.
    std::string problem;
};

// Reads the bytes of one record file, with CR LF line ends (resaved_file.h): exactly when
// it keeps to the layout (exact_reading.h), else past its damage (damaged_reading.h).
ParsedFile parseRecordFile(std::string_view bytes, const CourseIndex& course);

// "HH:MM:SS" -> seconds since midnight; -1 for another text.
//   secondsOf("14:05:09") -> 50709     secondsOf("14:05") -> -1
int secondsOf(std::string_view time);

}  // namespace qatutor::inbox
