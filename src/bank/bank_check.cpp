#include "bank/bank_check.h"

#include "bank/bank_grammar.h"
#include "bank/bank_table.h"
#include "base/cp1252.h"
#include "base/numbers.h"
#include "base/text.h"

namespace qatutor {
namespace {

bool startsWithNumberAndPoint(const std::string& line) {
    return line.size() >= 4 && isDigit(line[0]) && isDigit(line[1]) && isDigit(line[2]) &&
           line[3] == '.';
}

int numberOf(const std::string& line) { return std::stoi(line.substr(0, 3)); }

std::string threeDigits(int number) { return padNumber(std::to_string(number)); }

// A header line is "NNN.  " followed by a title that does not begin with a blank.
bool isWellFormedHeader(const std::string& line) {
    return line.size() > 6 && line.compare(3, 3, ".  ") == 0 && line[6] != ' ';
}

// "`qNNN." + blanks + text, or "`qNNN" + one blank + text.
bool isWellFormedQuestion(const std::string& line) {
    if (line.size() < 6 || !isDigit(line[2]) || !isDigit(line[3]) || !isDigit(line[4]))
        return false;
    std::size_t i = 5;
    if (line[i] == '.') ++i;
    const std::size_t blanksStart = i;
    while (i < line.size() && line[i] == ' ') ++i;
    if (i == blanksStart || i == line.size()) return false;
    return line[5] == '.' || i == blanksStart + 1;
}

class Checker {
public:
    explicit Checker(const std::vector<std::string>& lines) : lines_(lines) {}

    std::vector<Violation> run() {
        if (lines_.size() > static_cast<std::size_t>(lastBankIndex))
            report(0, "shape 7",
                   "the bank has " + std::to_string(lines_.size()) + " lines; at most " +
                       std::to_string(lastBankIndex) + " fit");
        if (lines_.empty()) {
            report(0, "shape 1", "the bank is empty");
            return violations_;
        }
        for (std::size_t i = 0; i < lines_.size(); ++i)
            checkLine(static_cast<int>(i) + 1, lines_[i]);
        if (inAssignment_)
            report(static_cast<int>(lines_.size()), "shape 5",
                   "the bank must end with the end line \"" + threeDigits(assignment_ + 1) +
                       ".\" after its last assignment");
        return violations_;
    }

private:
    void report(int index, std::string rule, std::string message) {
        violations_.push_back({index, std::move(rule), std::move(message)});
    }

    // Any Windows-1252 character may stand in a bank line, accented letters included. Refused
    // are the control characters (codes 0 to 31 and DEL), apart from the CR LF pairs that break
    // a line, and the five codes Windows-1252 leaves undefined; those map to the C1 control
    // points U+0081 and so on, so they show as nothing or garbage in the question box.
    void checkCharacters(int index, const std::string& line) {
        for (std::size_t i = 0; i < line.size(); ++i) {
            const auto c = static_cast<unsigned char>(line[i]);
            if (c == '\r' && i + 1 < line.size() && line[i + 1] == '\n') {
                ++i;
                continue;
            }
            const char32_t codePoint = cp1252::toCodePoint(c);
            const bool control = codePoint < 32 || codePoint == 127;
            const bool undefined = codePoint >= 0x80 && codePoint <= 0x9F;
            if (control || undefined) {
                report(index, "characters",
                       "character code " + std::to_string(c) + " at position " +
                           std::to_string(i + 1) +
                           (undefined ? " is not a Windows-1252 character"
                                      : " is a control character (a bank line holds none but CR LF "
                                        "pairs)"));
                return;
            }
        }
    }

    void checkLine(int index, const std::string& line) {
        checkCharacters(index, line);
        const LineKind kind = kindOf(line);
        if (index == 1 && kind != LineKind::header)
            report(index, "shape 1", "the bank must begin with a header line");

        if (!inAssignment_ && index > 1 && kind != LineKind::header) {
            // One report for the whole stretch up to the next header line, not one per line.
            if (afterEndLine_)
                report(index, "shape 4",
                       "the end line \"" + threeDigits(lastNumber_) + ".\" (bank line " +
                           std::to_string(index - 1) +
                           ") must be followed by a header line or end the bank; a header line "
                           "needs two blanks and its title after the point; the lines up to the "
                           "next header line stand outside any assignment");
            else if (kind == LineKind::end)
                report(index, "shape 4", "an end line must follow an assignment");
            afterEndLine_ = false;
            return;
        }
        afterEndLine_ = false;

        switch (kind) {
        case LineKind::header: return header(index, line);
        case LineKind::end: return endLine(index, line);
        case LineKind::empty: separated_ = true; return;
        case LineKind::question: return question(index, line);
        case LineKind::answer: return answer(index, line);
        case LineKind::continuation: return continuation(index, line);
        case LineKind::routine:
            if (routineNameOf(line).empty())
                report(index, "grammar", "a routine line needs a separator and a routine name");
            separated_ = false;
            return;
        }
    }

    void header(int index, const std::string& line) {
        if (!isWellFormedHeader(line))
            report(index, "grammar",
                   "a line beginning with three digits and a point is a header line "
                   "(\"NNN.  title\", two blanks) or an end line (\"NNN.\" alone)");
        const int number = numberOf(line);
        if (inAssignment_) {
            if (number == assignment_)
                report(index, "shape 6",
                       "a second header line of assignment " + threeDigits(number) +
                           " (the first is bank line " + std::to_string(headerIndex_) +
                           "; did a question line there lose its `q marker?); assignment " +
                           threeDigits(assignment_) + " must end at the line of " +
                           threeDigits(assignment_ + 1));
            else if (number != assignment_ + 1)
                report(index, "shape 4",
                       "assignment " + threeDigits(assignment_) + " must end at the line of " +
                           threeDigits(assignment_ + 1) + ", not " + threeDigits(number));
        } else if (number <= lastNumber_) {
            report(index, "shape 4",
                   "assignment " + threeDigits(number) + " comes after number " +
                       threeDigits(lastNumber_) + "; assignments must ascend");
        }
        inAssignment_ = true;
        headerIndex_ = index;
        assignment_ = number;
        lastNumber_ = number;
        lastQuestion_ = 0;
        lastEntry_ = LineKind::header;
        separated_ = false;
    }

    void endLine(int index, const std::string& line) {
        const int number = numberOf(line);
        if (!inAssignment_) {
            report(index, "shape 4", "an end line must follow an assignment");
        } else if (number != assignment_ + 1) {
            report(index, "shape 4",
                   "assignment " + threeDigits(assignment_) + " must end at the line of " +
                       threeDigits(assignment_ + 1) + ", not " + threeDigits(number));
        }
        inAssignment_ = false;
        afterEndLine_ = true;
        lastNumber_ = number;
    }

    void needSeparation(int index) {
        if (!separated_) report(index, "shape 3", "an empty line must stand before this entry");
        separated_ = false;
    }

    void checkNextNumberPrefix(int index, const std::string& text) {
        if (text.substr(0, 3) == threeDigits(assignment_ + 1))
            report(index, "shape 6",
                   "the line begins with " + threeDigits(assignment_ + 1) +
                       ", the following assignment's number, and would end the assignment here");
    }

    void question(int index, const std::string& line) {
        if (!isWellFormedQuestion(line))
            report(index, "grammar",
                   "a question line is `q, a three-digit number, a point, blanks and the text "
                   "(or the number, one blank and the text)");
        needSeparation(index);
        const int number = std::atoi(line.substr(2, 3).c_str());
        const bool fits = lastQuestion_ == 0
                              ? number == 1
                              : (number == lastQuestion_ || number == lastQuestion_ + 1);
        if (!fits)
            report(index, "shape 2",
                   lastQuestion_ == 0
                       ? "the first question of assignment " + threeDigits(assignment_) +
                             " is numbered " + threeDigits(number) +
                             "; questions are numbered from 001 upward"
                       : "question " + threeDigits(number) + " follows question " +
                             threeDigits(lastQuestion_) +
                             "; questions are numbered from 001 upward");
        lastQuestion_ = number;
        lastEntry_ = LineKind::question;
    }

    void answer(int index, const std::string& line) {
        if (line.size() == answerMarker.size())
            report(index, "grammar", "an answer line needs its text after the marker");
        needSeparation(index);
        if (lastEntry_ != LineKind::question)
            report(index, "shape 2", "an answer must follow its question");
        checkNextNumberPrefix(index, line.substr(answerMarker.size()));
        lastEntry_ = LineKind::answer;
    }

    void continuation(int index, const std::string& line) {
        if (lastEntry_ == LineKind::header)
            report(index, "shape 2", "a continuation line must follow a question or an answer");
        checkNextNumberPrefix(index, line);
        separated_ = false;
    }

    const std::vector<std::string>& lines_;
    std::vector<Violation> violations_;
    bool inAssignment_ = false;
    bool afterEndLine_ = false;
    bool separated_ = false;
    int assignment_ = 0;
    int headerIndex_ = 0;
    int lastNumber_ = -1;
    int lastQuestion_ = 0;
    LineKind lastEntry_ = LineKind::header;
};

}  // namespace

LineKind kindOf(const std::string& line) {
    if (line.empty()) return LineKind::empty;
    if (startsWithNumberAndPoint(line)) return line.size() == 4 ? LineKind::end : LineKind::header;
    if (line.compare(0, questionMarker.size(), questionMarker) == 0) return LineKind::question;
    if (line.compare(0, answerMarker.size(), answerMarker) == 0) return LineKind::answer;
    if (isRoutineLine(line)) return LineKind::routine;
    return LineKind::continuation;
}

std::vector<Violation> checkBank(const std::vector<std::string>& lines) {
    return Checker(lines).run();
}

BankOutline outlineOf(const std::vector<std::string>& lines) {
    BankOutline outline;
    AssignmentOutline* current = nullptr;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const int index = static_cast<int>(i) + 1;
        const LineKind kind = kindOf(lines[i]);
        if (kind == LineKind::header) {
            outline.assignments.push_back({lines[i], index, index});
            current = &outline.assignments.back();
            continue;
        }
        if (kind == LineKind::end) {
            outline.endLineIndices.push_back(index);
            current = nullptr;
            continue;
        }
        if (!current) continue;
        current->lastIndex = index;
        switch (kind) {
        case LineKind::question: ++current->questions; break;
        case LineKind::answer: ++current->answers; break;
        case LineKind::continuation: ++current->continuations; break;
        case LineKind::empty: ++current->empties; break;
        case LineKind::routine: ++current->routines; break;
        default: break;
        }
    }
    return outline;
}

}  // namespace qatutor
