// The state of one run of the tutor: everything the commands share, from start-up to the end.
#pragma once

#include <string>

#include "bank/bank_table.h"

namespace qatutor {

struct Session {
    BankTable bank;

    // Set at start-up.
    std::string courseTitle;
    int codeNumber = 0;              // 19 to 28, the coding number of the run
    std::string outputFolder;
    std::string masterFilePath;
    std::string sendFilePath;
    std::string notesFilePath;
    std::string assignmentReply;     // the reply to the assignment prompt, exactly as typed
    std::string assignmentNumber;    // as typed, padded to three digits
    std::string nextAssignmentNumber;
    std::string answerPrompt;
    int displayMode = 0;             // 1: every piece shown is one whole bank line

    // The reader's position and what it last took.
    int lineCursor = 0;              // index of the last bank line taken
    std::string currentLine;         // last non-empty line taken, answer marker removed
    std::string pendingText;         // piece waiting to be shown
    std::string entryKind;           // "question", "answer", or empty before the first of either
    std::string questionNumber;      // number of the latest question line, as text
    bool resetAnswerBox = false;     // put answerPrompt back before the next piece

    std::string workText;            // scratch text of the running command
    std::string selfCritiqueRating;  // the last reply to the self-critique prompt
};

}  // namespace qatutor
