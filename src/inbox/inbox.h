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
    std::string name;      // the file's name, UTF-8
    std::string student;   // "Ann Lee", UTF-8
    std::string identity;  // the course platform's identity of the person, UTF-8, or empty
    FileKind kind = FileKind::other;
    ParsedFile parsed;
    std::vector<bool> duplicate;  // per record: a file read before it (master files first)
                                  // holds the same record
    bool lineEndsRestored = false;
    Resave resave = Resave::none;
};

// Something about a person's work the instructor should weigh: two runs of one assignment on one
// day, in files of one name that share no record, may be the work of two people of that name.
struct Doubt {
    std::string student, identity;  // UTF-8
    std::string assignment;         // "007"
    std::string reason;             // UTF-8
};

struct Inbox {
    std::vector<StudentFile> files;   // files read, in the order given, a folder's by name
    std::vector<FileLine> notRead;    // not read, or not read to the end
    std::vector<FileLine> damaged;    // read with damage: the lines that break the record layout
    std::vector<FileLine> remarks;    // read, with something the instructor should know
    std::vector<FileLine> noRecords;  // plainly no record files, not read
    std::vector<Doubt> doubts;
    std::size_t duplicates = 0;  // records also found in a master file or an earlier file
    // The files of one name come from more than one person: two platform identities handed in
    // one assignment. Otherwise they are one person's, whatever their identities.
    bool peopleApart = false;
};

// The bytes of a whole regular file of up to 256 MB. Throws InboxError saying why it cannot be
// read: "cannot be opened: No such file or directory", "a folder, not a record file".
std::string readWholeFile(const std::string& path);

// Reads the files listed one student at a time and calls `read` with each student's Inbox: the
// files of one name (studentKey: names that differ only in case, blanks or a copy mark), whatever
// their platform identities, since a platform gives a student another identity in each download;
// the files without a name, one platform identity at a time, never pooled. Students in the order
// of their keys, each student's files in the order listed. Memory holds one student's files at
// a time. The name is spelled alike in every file of the student.
void readEachStudent(std::vector<ListedFile> files, const CourseIndex& course,
                     const std::function<void(const Inbox&)>& read);

// Reads every file and folder of `paths` the program's way (listInbox, then readEachStudent) and
// gathers the students' Inboxes into one, the listing's lines first. The program itself never
// holds every student at once; the tests do, to look at every file read.
Inbox readInbox(const std::vector<std::string>& paths, const CourseIndex& course);

}  // namespace qatutor::inbox
