// The fixed texts of the record files.
//
// Response record (master file | send file), each row one record line ending in CR LF:
//   ......!!!!!!!!...................................            separator line
//   <36 blanks>               <zone>              HH:MM:SS        time line (time at column 57)
//   \r\n\r\n`questionNumber   <zone> 30012                        master only (number at column 29)
//   <the bank line responded to>
//   ......!!!!!!!!...................................
//   RESPONSE -->
//   <the response>
//   confidence assessment:  2  |  self critique assessment: 3     by entry kind, or nothing
//   .................................................             closing line
//
// Notes record: separator, time line, date-time line (date at column 43, time at 57), the bank
// line, separator, "NOTES -------> " & the note, closing line; in the send and notes files the
// closing line has no CR LF after it.
#pragma once

#include <string_view>

namespace qatutor {

inline constexpr std::string_view separatorLine =
    "......!!!!!!!!...................................";
inline constexpr std::string_view closingLine = ".................................................";
inline constexpr std::string_view indent = "                                    ";
inline constexpr std::string_view responseLabel = "RESPONSE -->  ";
inline constexpr std::string_view notesLabel = "NOTES -------> ";
inline constexpr std::string_view confidenceLabel = "confidence assessment:  ";
inline constexpr std::string_view selfCritiqueLabel = "self critique assessment: ";
inline constexpr std::string_view assignmentLabel = "assignment #";
inline constexpr std::string_view questionNumberMarker = "`questionNumber";
inline constexpr std::string_view lineEnd = "\r\n";
// The question-number line's first item, with the two empty lines the master file puts before it.
inline constexpr std::string_view questionNumberPrefix = "\r\n\r\n`questionNumber";

// The file header's course title, and the names of the three record files:
// masterFile_Ann_Lee.txt, send_1207Ann_Lee.txt (month and day the run started), notes_Ann_Lee.txt.
inline constexpr std::string_view courseTitleText = "Liberal Arts Mathematics II";
inline constexpr std::string_view masterFilePrefix = "masterFile_";
inline constexpr std::string_view sendFilePrefix = "send_";
inline constexpr std::string_view notesFilePrefix = "notes_";
inline constexpr std::string_view recordFileExtension = ".txt";

// A record line's items stand at the starts of print zones of 14 columns (columns 1, 15, 29, 43,
// 57, ...): the time at column 57 of the time line and the date-time line.
inline constexpr int printZoneWidth = 14;
inline constexpr int timeColumn = 57;

static_assert((timeColumn - 1) % printZoneWidth == 0);
static_assert(separatorLine.size() == 49);
static_assert(closingLine.size() == 49);
static_assert(indent.size() == 36);
static_assert(responseLabel.size() == 14);
static_assert(notesLabel.size() == 15);
static_assert(confidenceLabel.size() == 24);
static_assert(selfCritiqueLabel.size() == 26);
static_assert(assignmentLabel.size() == 12);
static_assert(questionNumberMarker.size() == 15);
static_assert(questionNumberPrefix.substr(4) == questionNumberMarker);

inline constexpr std::string_view confidencePrompt =
    "Assess your level of confidence in your answer on a scale from 0 to 3, where 0 means you have "
    "no confidence in your answer, 1 means you have some confidence, 2 means you are pretty "
    "confident and 3 means you are certain of your answer:";

inline constexpr std::string_view selfCritiquePrompt =
    "Rate the quality of your self-critique on a 0-3 scale, where 0 indicates that self-critique "
    "was necessary on this question but was not given, 1 indicates that self-critique was "
    "necessary but the given self-critique was not adequate, 2 indicates that self-critique was "
    "necessary and was mostly adequate, and 3 indicates that either self-critique was not "
    "necessary or that after reading the solution everything was completely obvious so you "
    "skipped the self-critique.";

}  // namespace qatutor
