// What the inbox reads: the files named on the command line, and the files of the folders named
// there. Here each folder is walked, once, and each file named once, with the student and the
// kind its name tells (file_names.h).
#pragma once

#include <string>
#include <vector>

#include "inbox/file_names.h"

namespace qatutor::inbox {

// A line of the report on one file or folder.
struct FileLine {
    std::string name;  // the file's name, UTF-8
    std::string reason;
};

struct ListedFile {
    std::string path;
    std::string name;                 // the file's name, UTF-8
    std::string student;              // "Ann Lee", UTF-8, by the file's name
    FileKind kind = FileKind::other;  // by the file's name
};

struct InboxListing {
    std::vector<ListedFile> files;  // the files named, and the files of the folders named
    std::vector<FileLine> notRead;  // folders that cannot be read, folders and links out in them
};

// The files `paths` name, in order, a folder's by name; hidden files and the report's own
// outputs (output_names.h) left out, and a line for each entry of a folder that is not read: a
// folder inside it, a link out of it. A file named in `paths` is read wherever it lies.
InboxListing listInbox(const std::vector<std::string>& paths);

}  // namespace qatutor::inbox
