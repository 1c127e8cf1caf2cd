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
// An attempt's receipt names the person, as the platform knows them, in its Name line:
//   Name: Zo\xC3\xAB Lee (annlee)
//   Assignment: Assignment 3
//   Date Submitted: Wednesday, 9 December 2026 10:11:12 o'clock CET
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qatutor::inbox {

struct DownloadName {
    std::string identity;  // the platform's identity of the person: "Ann Lee_1234567",
                           // "leeann_12345", "annlee"; empty for a name no platform gave
    std::string fileName;  // the name the student gave the file
    bool receipt = false;  // the platform's receipt of an attempt, no file of the student's
    bool attempt = false;  // a file of an attempt, whose receipt may name the person
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

// A receipt is read for the person's name when it holds no more than this: a few lines.
inline constexpr std::uint64_t largestReceipt = 8192;

// The name in a receipt's Name line, in any encoding of text_encoding.h; nothing when it has
// none, or is no text.
//   nameOnReceipt("Name: Zo\xEB Lee (annlee)\r\nAssignment: 3\r\n") -> "Zo\xC3\xAB Lee (annlee)"
std::optional<std::string> nameOnReceipt(std::string_view bytes);

// The identity of an attempt's person whose receipt gives their name: the name as the receipt
// gives it, the login after it when the receipt leaves it out.
//   receiptIdentity("Zo\xC3\xAB Lee (annlee)", "annlee") -> "Zo\xC3\xAB Lee (annlee)"
//   receiptIdentity("Zo\xC3\xAB Lee", "annlee") -> "Zo\xC3\xAB Lee (annlee)"
std::string receiptIdentity(const std::string& name, const std::string& login);

// A receipt's name without its login; any other identity as it is, a folder's or prefix's
// number and all.
//   nameInIdentity("Zo\xC3\xAB Lee (annlee)") -> "Zo\xC3\xAB Lee"
//   nameInIdentity("Ann Lee_1234567") -> "Ann Lee_1234567"
std::string nameInIdentity(std::string_view identity);

// Whether a file name is a .zip archive's, as platforms hand a download out:
//   isArchiveName("Assignment 3-12345.ZIP") -> true
bool isArchiveName(std::string_view name);

// Why a file or folder is plainly no record file, for the quiet list of what was not read;
// empty when it may be one. A spreadsheet is the instructor's own (a class list, the grades),
// unless a platform's prefix, or the person's submission folder it lies in (`students`), says
// that a student handed it in: that is a student's wrong attachment, told as a file not read.
//   plainlyNoRecord("Thumbs.db", false) -> "Windows' picture cache, not a record file"
//   plainlyNoRecord("Class List.csv", false) -> "a spreadsheet, not a record file"
//   plainlyNoRecord("leeann_12345_678901_grades.xlsx", false) -> ""
std::string plainlyNoRecord(std::string_view name, bool folder, bool students = false);

}  // namespace qatutor::inbox
