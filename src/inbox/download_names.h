// The names a course platform gives the files of its "download all submissions": it keeps the
// name the student gave the file and adds its own identity of the person, in a folder or a
// prefix. Beside them stand files that are plainly no record files: the platform's receipts,
// and what Windows and macOS leave in a folder.
//   Ann Lee_1234567_assignsubmission_file_/send_1209Ann_Lee.txt    a folder per person
//   Ann Lee_1234567_assignsubmission_file_send_1209Ann_Lee.txt     the same without folders
//   leeann_12345_678901_send_1209Ann_Lee.txt                        login, person, file number
//   leeann_LATE_12345_678902_send_1209Ann_Lee-1.txt                 a late resubmission
//   Assignment 3_annlee_attempt_2026-12-09-10-11-12_send_1209Ann_Lee.txt   one attempt's file
//   Assignment 3_annlee_attempt_2026-12-09-10-11-12.txt                    the attempt's receipt
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qatutor::inbox {

struct DownloadName {
    std::string identity;  // the platform's identity of the person; empty for a name that no
                           // platform gave: "Ann Lee_1234567", "leeann_12345", "annlee"
    std::string fileName;  // the name the student gave the file
    bool receipt = false;  // the platform's receipt of an attempt, no file of the student's
};

// The person whose files a submission folder holds; nothing for any other folder.
//   submissionFolderIdentity("Ann Lee_1234567_assignsubmission_file_") -> "Ann Lee_1234567"
std::optional<std::string> submissionFolderIdentity(std::string_view folderName);

// The platform's identity and the student's own name of a downloaded file. A late or second
// attempt of one person has that person's identity.
//   downloadNameOf("leeann_LATE_12345_678902_send_1209Ann_Lee-1.txt")
//     -> {"leeann_12345", "send_1209Ann_Lee-1.txt"}
//   downloadNameOf("send_1209Ann_Lee.txt") -> {"", "send_1209Ann_Lee.txt"}
DownloadName downloadNameOf(std::string_view fileName);

// Whether a file name is a .zip archive's, as platforms hand a download out:
//   isArchiveName("Assignment 3-12345.ZIP") -> true
bool isArchiveName(std::string_view name);

// Why a file or folder is plainly no record file, for the quiet list of what was not read;
// empty when it may be one.
//   plainlyNoRecord("Thumbs.db", false) -> "Windows' picture cache, not a record file"
std::string plainlyNoRecord(std::string_view name, bool folder);

}  // namespace qatutor::inbox
