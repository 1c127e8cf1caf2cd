// Where a bank line quoted in a record file stands in the course: its assignment, its question
// number and its piece. A send file names the piece a response answers only by quoting the line
// the student was shown, so the quoted text is looked up here.
//
// The tutor quotes a question line with its marker ("`q004.  How many ..."), an answer line
// without its marker, and a continuation line as it stands.
#pragma once

#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace qatutor::inbox {

enum class Piece { question, answer, continuation };

// The tutor's entry kind while a line is shown: it decides which rating a response gets.
enum class Entry { none, question, answer };

struct BankPlace {
    std::string assignment;  // three digits, "003"
    int question = 0;        // the question the line belongs to; 0 before the first
    Piece piece = Piece::question;
    Entry entry = Entry::none;  // for a continuation line, the entry it continues
    std::string_view quoted;    // the line as a record quotes it
};

struct BankAssignment {
    std::string number;          // "003"
    std::string title;           // the header line, "003.  C(n,r) and P(n,r)"
    std::vector<int> questions;  // distinct question numbers, ascending
};

class CourseIndex {
public:
    // Indexes the bank lines in table order (index 1 first).
    explicit CourseIndex(const std::vector<std::string>& bankLines);

    // The bank built into the tutor.
    static const CourseIndex& builtIn();

    // The place of a quoted line, preferring the assignment named by the file header; a line
    // that stands only in other assignments is found there. Nothing for a line the bank does not
    // hold, or for the empty line (quoted before the first piece was shown).
    const BankPlace* find(std::string_view quoted, std::string_view assignment) const;

    // The place of a quoted line that a cut file holds only the start of: the one line of the
    // assignment that starts so. Nothing when none or several do, or for an empty start.
    const BankPlace* findStart(std::string_view start, std::string_view assignment) const;

    // Every place of a quoted line; nothing when the bank does not hold it.
    const std::vector<BankPlace>* placesOf(std::string_view quoted) const;

    const std::vector<BankAssignment>& assignments() const { return assignments_; }
    const BankAssignment* assignment(std::string_view number) const;

private:
    std::unordered_map<std::string, std::vector<BankPlace>> places_;
    std::vector<BankAssignment> assignments_;
};

}  // namespace qatutor::inbox
