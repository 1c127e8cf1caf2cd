// Checks a bank against the line grammar and the shape rules, and summarises its outline.
#pragma once

#include <string>
#include <vector>

namespace qatutor {

enum class LineKind { empty, header, end, question, answer, continuation, routine };

// The kind of a bank line, by its first characters:
//   ""  empty     "001.  Counting"  header     "011."  end     "`q001.  ..."  question
//   "`a..."  answer     "`routine graph1"  routine (any case)     anything else  continuation
LineKind kindOf(const std::string& line);

struct Violation {
    int bankIndex;     // 1-based index of the bank line (0: the bank as a whole)
    std::string rule;  // "grammar", "characters", or "shape 1" to "shape 7"
    std::string message;
};

// Every violation of the grammar, of the characters allowed in a bank line (any Windows-1252
// character; CR LF pairs, but no other control character and none of the five codes
// Windows-1252 leaves undefined), and of the seven shape rules:
//   1 the bank begins with a header line; 2 an assignment is its header and its entries
//   (questions numbered from 001 up, each answer after its question, continuations after an
//   entry); 3 empty lines separate the entries; 4 assignments ascend and each ends at the line
//   of the following number (its header or an end line); 5 the bank ends with the end line
//   after its last assignment; 6 no other line of an assignment begins with the following
//   number; 7 at most lastBankIndex (5000) lines.
std::vector<Violation> checkBank(const std::vector<std::string>& lines);

struct AssignmentOutline {
    std::string header;
    int firstIndex = 0;
    int lastIndex = 0;
    int questions = 0;
    int answers = 0;
    int continuations = 0;
    int empties = 0;
    int routines = 0;
};

struct BankOutline {
    std::vector<AssignmentOutline> assignments;
    std::vector<int> endLineIndices;
};

BankOutline outlineOf(const std::vector<std::string>& lines);

}  // namespace qatutor
