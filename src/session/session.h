// The state of one run of the tutor: everything the commands share, from start-up to the end.
#pragma once

#include <string>
#include <string_view>

#include "bank/bank_table.h"

namespace qatutor {

// What the reader took last: a question line, an answer line, or neither yet. It decides which
// rating Enter Response asks for.
enum class EntryKind { none, question, answer };

// The entry kind by name, as the tutor's own texts call it.
//   entryKindText(EntryKind::question) -> "question"     entryKindText(EntryKind::none) -> ""
constexpr std::string_view entryKindText(EntryKind kind) {
    switch (kind) {
    case EntryKind::question: return "question";
    case EntryKind::answer: return "answer";
    case EntryKind::none: break;
    }
    return "";
}

struct Session {
    BankTable bank;

    // Set at start-up.
    std::string courseTitle;
    int codeNumber = 0;          // 19 to 28, the coding number of the run
    std::string outputFolder;    // c:\kavrodel, or the folder typed, in the host's spelling
    std::string masterFilePath;  // outputFolder, "\" and the file name (Windows-1252)
    std::string sendFilePath;
    std::string notesFilePath;
    std::string assignmentReply;   // the reply to the assignment prompt, exactly as typed
    std::string assignmentNumber;  // as typed, padded to three digits
    std::string nextAssignmentNumber;
    std::string answerPrompt;

    // The reader's position and what it last took.
    int lineCursor = 0;       // index of the last bank line taken
    std::string currentLine;  // last non-empty line taken, answer marker removed
    std::string pendingText;  // piece waiting to be shown
    EntryKind entryKind = EntryKind::none;
    std::string questionNumber;   // number of the latest question line, as text
    bool resetAnswerBox = false;  // put answerPrompt back before the next piece

    std::string workText;            // scratch text of the running command
    std::string selfCritiqueRating;  // the last reply to the self-critique prompt
};

}  // namespace qatutor
