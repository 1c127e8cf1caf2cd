// The instructor's inbox: the files listed (inbox_listing.h) read back into records, with a line
// for every file that could not be read. Nothing read is ever written back or changed. A record
// found in several files of its student (the master file, a send file mailed twice, the same
// day's file sent after each run) counts once.
#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "inbox/course_index.h"
#include "inbox/inbox_listing.h"
#include "inbox/record_file.h"
#include "inbox/resaved_file.h"

namespace qatutor::inbox {

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

struct Inbox {
    std::vector<StudentFile> files;  // files read, in the order given, a folder's by name
    std::vector<FileLine> notRead;   // not read, or not read to the end
    std::vector<FileLine> damaged;   // read with damage: the lines that break the record layout
    std::vector<FileLine> remarks;   // read, with something the instructor should know
    std::size_t duplicates = 0;      // records also found in a master file or an earlier file
};

// Reads the files listed one student at a time, students in the order of their studentKey (names
// that differ only in case, blanks or a copy mark are one student), each student's files in the
// order listed, and calls `read` with each student's Inbox. Memory holds one student's files at
// a time. The names of one student are spelled alike in every file of theirs.
void readEachStudent(std::vector<ListedFile> files, const CourseIndex& course,
                     const std::function<void(const Inbox&)>& read);

// Reads every file and folder of `paths` the program's way (listInbox, then readEachStudent) and
// gathers the students' Inboxes into one, the listing's lines first. The program itself never
// holds every student at once; the tests do, to look at every file read.
Inbox readInbox(const std::vector<std::string>& paths, const CourseIndex& course);

}  // namespace qatutor::inbox
