// Start-up of a run: who the student is, where the record files go, which assignment is worked.
#pragma once

#include <string>
#include <string_view>

#include "bank/bank_table.h"
#include "host/host.h"
#include "records/record_layout.h"
#include "session/session.h"

namespace qatutor {

inline constexpr std::string_view defaultFolder = "c:\\kavrodel";

inline constexpr std::string_view namePrompt = "Your full name:  ";
inline constexpr std::string_view folderChoicePrompt =
    "Enter 1 if you want to change the folder to which your files will be written.  The current "
    "default folder is c:\\kavrodel.  If you wish to use this folder, just hit the Enter key";
inline constexpr std::string_view folderPathPrompt =
    "You have chosen to change the folder to which your files will be written on your hard drive "
    "from the default c:\\kavrodel.  Enter the path to the folder you wish to use.  You may just "
    "hit the Enter key to retain the default path.";
inline constexpr std::string_view assignmentPrompt = "Assignment Number:  ";

// The answer box's instructions; an answer box still holding exactly this is not recorded.
extern const std::string answerPromptText;

// The whole start-up: course title, setUpSession with `bank`, openAssignment.
void startUp(Host& host, Session& session, const std::vector<BankPiece>& bank);

// Seeds the generator, draws codeNumber, asks name, folder and assignment, builds the record
// file paths and loads the bank.
void setUpSession(Host& host, Session& session, const std::vector<BankPiece>& bank);

// Finds the assignment's header line, makes sure the master file exists and writes the file
// header. An assignment that is not in the bank ends the run before anything is written, with a
// message that echoes the reply as typed and lists the assignments the bank holds.
void openAssignment(Host& host, Session& session);

// The student's name as it stands in the file names: blanks and every character that cannot
// stand in a file name become "_", so every record file lies inside the output folder.
//   fileNamePart("Ann Lee") -> "Ann_Lee"     fileNamePart("../x") -> ".._x"
std::string fileNamePart(std::string_view name);

// The names of a student's three record files, for the name as typed and the date of the run
// ("MM-DD-YYYY"), in Windows-1252.
//   recordFileNames("Ann Lee", "12-07-2026")
//     -> masterFile_Ann_Lee.txt, send_1207Ann_Lee.txt, notes_Ann_Lee.txt
struct RecordFileNames {
    std::string master;
    std::string send;
    std::string notes;
};
RecordFileNames recordFileNames(std::string_view name, std::string_view date);

}  // namespace qatutor
