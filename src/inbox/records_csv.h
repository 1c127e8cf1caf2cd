// records.csv: a header row of plain names, then one row per record, in UTF-8 as RFC 4180
// describes: CR LF row ends, every field of a record quoted, inner quotes doubled.
//
// A spreadsheet opened by a double click runs a cell that begins with = + - @ (or a tab or CR
// before one) as a formula. Every field is written with a ' before such a first character, so
// a cell is always shown as the text it holds; the report and the students' files keep the text
// exactly as typed.
#pragma once

#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "inbox/student_work.h"

namespace qatutor::inbox {

void writeCsvHeader(std::FILE* out);

// One row per record of `work`, in its order.
void writeCsvRows(std::FILE* out, const std::vector<StudentWork>& work);

// One CSV field: quoted, inner quotes doubled, a formula's first character made text.
//   csvField("a \"b\"") -> "\"a \"\"b\"\"\""     csvField("=1+1") -> "\"'=1+1\""
std::string csvField(std::string_view utf8);

}  // namespace qatutor::inbox
