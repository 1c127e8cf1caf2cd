// What the inbox reads: the files named on the command line, and the files of the folders named
// there, with the folders a course platform makes for each person in them and the platform's
// downloads unpacked into folders of their own beside them. Here each folder is walked, once, and
// each file named once, with the student and the kind its name tells (file_names.h) and the
// platform's identity of the person (download_names.h), which the receipt of an attempt, in the
// same folder, may name.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "inbox/file_names.h"
#include "inbox/zip_archive.h"

namespace qatutor::inbox {

// A line of the report on one file or folder.
struct FileLine {
    std::string name;  // the file's name, UTF-8
    std::string reason;
};

struct ListedFile {
    std::string path;                 // of the file, or of the archive it lies in
    std::string name;                 // the file's name, UTF-8, after its submission folder's
                                      // when it lies in one: "Ann Lee_1_assignsubmission_file_/x"
    std::string student;              // "Ann Lee", UTF-8, by the file's name
    std::string identity;             // the course platform's identity of the person, UTF-8;
                                      // empty for a file no platform named
    FileKind kind = FileKind::other;  // by the file's name
    bool notes = false;               // the notes file, by its name
    std::optional<ArchivePlace> inArchive;  // where it lies in the archive at `path`
};

struct InboxListing {
    std::vector<ListedFile> files;    // the files named, and the files of the folders named
    std::vector<FileLine> notRead;    // folders that cannot be read, folders and links out in them
    std::vector<FileLine> noRecords;  // plainly no record files: receipts, Thumbs.db, __MACOSX
};

// A file the instructor gives with the run, such as the class list: no record file, though it
// may lie in a folder read.
struct InstructorsFile {
    std::string path;
    std::string what;  // "the class list"
};

// The files `paths` name, in order, a folder's by name; hidden files and the report's own outputs
// (output_names.h) left out, and a line for each entry of a folder that is not read: a folder
// inside it, a link out of it, a file that is plainly no record file. The files of a platform's
// submission folder in a folder named, or named itself, are read as the files of its person. A
// folder in a folder named that is plainly a platform's download (it holds a submission folder, a
// file with a platform's prefix or a receipt) is read as if it were named too; the instructor's
// other folders are not read. A .zip archive, in a folder or named, is read as the folder it would
// unpack into, every file in it, the archive's own folders included. A file named in `paths` is
// read wherever it lies. A file of `instructors` that lies in a folder read, or is named, is listed
// as no record file.
InboxListing listInbox(const std::vector<std::string>& paths,
                       const std::vector<InstructorsFile>& instructors = {});

}  // namespace qatutor::inbox
