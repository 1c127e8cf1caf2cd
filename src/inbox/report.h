// The instructor's report and the records table, written from an inbox.
//
// report.html is one self-contained page (no script, no network, no other file): the overview
// of students by assignment, a view per question across students, and a section per student and
// assignment with every response under the piece it answers. Student text is always text.
// records.csv has one row per record (RFC 4180: CR LF row ends, every field quoted, quotes
// doubled), in UTF-8.
#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "inbox/course_index.h"
#include "inbox/inbox.h"
#include "inbox/student_work.h"

namespace qatutor::inbox {

void writeReport(std::FILE* out, const Inbox& inbox, const std::vector<StudentWork>& work,
                 const CourseIndex& course, const std::string& sources);

void writeCsv(std::FILE* out, const std::vector<StudentWork>& work);

// Student text, Windows-1252 bytes, as HTML text in UTF-8: markup characters escaped, CR LF a
// line break, other control characters shown as their picture (U+2400 and on).
//   htmlText("<b>\r\n") -> "&lt;b&gt;\n"
std::string htmlText(std::string_view bytes);

// One CSV field: quoted, inner quotes doubled.   csvField("a \"b\"") -> "\"a \"\"b\"\"\""
std::string csvField(std::string_view utf8);

}  // namespace qatutor::inbox
