// The instructor's inbox: every file named on the command line, or found in a folder named
// there, read back into records, with a line for every file that could not be read.
//
// File names tell the student and the kind of file, in any letter case and with the marks that
// file managers and mail programs add to a copy ("Copy of ", " (1)", " 2", " - Copy"):
//   send_1207Ann_Lee.txt     the send file of Ann Lee, run started on 7 December
//   masterFile_Ann_Lee.txt   Ann Lee's master file
// Other names are read by their content, the student named after the file. Nothing read is
// ever written back or changed. A record found in several files of its student (the master
// file, a send file mailed twice, the same day's file sent after each run) counts once.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "inbox/course_index.h"
#include "inbox/record_file.h"
#include "inbox/resaved_file.h"

namespace qatutor::inbox {

enum class FileKind { send, master, other };

struct StudentFile {
    std::string path;
    std::string name;     // the file's name, UTF-8
    std::string student;  // "Ann Lee", UTF-8
    FileKind kind = FileKind::other;
    ParsedFile parsed;
    std::vector<bool> duplicate;  // per record: a file read before it (master files first)
                                  // holds the same record
    bool lineEndsRestored = false;
    Resave resave = Resave::none;
};

struct FileLine {
    std::string name;  // the file's name, UTF-8
    std::string reason;
};

struct Inbox {
    std::vector<StudentFile> files;  // files read, in the order given, a folder's by name
    std::vector<FileLine> notRead;   // not read, or not read to the end
    std::vector<FileLine> damaged;   // read with damage: the lines that break the record layout
    std::vector<FileLine> remarks;   // read, with something the instructor should know
    std::size_t duplicates = 0;      // records also found in a master file or an earlier file
};

// Names of the files the report is written to; a folder's own report is not read back.
inline constexpr const char* reportName = "report.html";
inline constexpr const char* csvName = "records.csv";

struct InboxListing {
    std::vector<std::string> files;  // the files named, and the files of the folders named
    std::vector<FileLine> notRead;   // folders that cannot be read, folders and links out in them
};

// The files `paths` name, in order, a folder's by name; the report's own outputs left out, and
// a line for each entry of a folder that is not read: a folder inside it, a link out of it. A
// file named in `paths` is read wherever it lies. A caller that reads one student at a time
// groups the files by studentKey(studentOf(file name).first).
InboxListing listInbox(const std::vector<std::string>& paths);

// Reads every file and folder of `paths` in order, as listInbox lists them. The names of one
// student (studentKey) are spelled alike in every file of the inbox.
Inbox readInbox(const std::vector<std::string>& paths, const CourseIndex& course);

// The student's name from a file name: "send_1207Ann_Lee.txt" -> "Ann Lee"; kind by the name.
//   studentOf("masterFile_Ann_Lee.txt") -> {"Ann Lee", master}   studentOf("x.txt") -> {"x", other}
//   studentOf("Copy of SEND_1207ANN_LEE (1).TXT") -> {"ANN LEE", send}
std::pair<std::string, FileKind> studentOf(const std::string& fileName);

// What two spellings of one student's name share: letters in lower case, blanks single.
//   studentKey("ANN  LEE") -> "ann lee"     studentKey("\xC3\x89mile") -> "\xC3\xA9mile"
std::string studentKey(std::string_view student);

// A file name as UTF-8: kept when it already is, else read as Windows-1252.
std::string utf8Name(const std::string& bytes);

}  // namespace qatutor::inbox
