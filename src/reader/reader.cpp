#include "reader/reader.h"

#include "bank/bank_grammar.h"
#include "base/numbers.h"
#include "base/text.h"

namespace qatutor {
namespace {

// The number of a question line: the numeric value of the three characters after the marker.
//   "`q004.  How many" -> "4"     "`q002 Find" -> "2"     "`qab1" -> "0"
std::string questionNumberOf(std::string_view line) {
    return numberText(numericValue(line.substr(2, 3)));
}

}  // namespace

void readNextQuestion(Host& host, Session& session) {
    if (session.resetAnswerBox) host.setBoxText(TextBox::answer, session.answerPrompt);
    session.resetAnswerBox = false;

    std::string line;
    while (line.empty()) {
        ++session.lineCursor;
        line = session.bank.at(session.lineCursor);
        if (startsWith(line, questionMarker)) {
            session.entryKind = EntryKind::question;
        } else if (startsWith(line, answerMarker)) {
            line.erase(0, answerMarker.size());
            session.entryKind = EntryKind::answer;
        }
        if (!line.empty()) {
            session.currentLine = line;
            // The entry kind above goes by the markers exactly as the bank writes them, but the
            // question number is taken from "`Q" too: a line an author capitalised still numbers
            // the responses that follow it, while only "`q" asks for the confidence rating.
            if (toLower(line.substr(0, 2)) == questionMarker)
                session.questionNumber = questionNumberOf(line);
        }
    }
    if (!isRoutineLine(line)) session.resetAnswerBox = true;
    session.pendingText = line;
    if (line.substr(0, 3) == session.nextAssignmentNumber) host.endProgram();
}

void cmdNextQuestion(Host& host, Session& session) {
    readNextQuestion(host, session);
    if (session.pendingText.size() > routineMarker.size() && isRoutineLine(session.pendingText)) {
        runRoutine(host, toLower(remSpaces(routineNameOf(session.pendingText))));
        session.pendingText.clear();
        readNextQuestion(host, session);
    }
    session.pendingText = expandLineBreaks(session.pendingText);
    session.workText = host.boxText(TextBox::question) + session.pendingText;
    session.pendingText.clear();
    host.setBoxText(TextBox::question, session.workText);
}

std::string expandLineBreaks(std::string_view text) {
    std::string result;
    result.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '{' && i + 1 < text.size() && text[i + 1] == '}') {
            result += "\r\n";
            ++i;
        } else {
            result += text[i];
        }
    }
    return result;
}

std::string remSpaces(std::string_view aLine) {
    std::string result;
    result.reserve(aLine.size());
    for (char c : aLine)
        if (c != ' ' && c != '-') result += c;
    return result;
}

void runRoutine(Host& host, std::string_view routine) {
    const std::string name = toLower(routine);
    if (name == "graph1" || name == "graph2" || name == "graph3") return;
    host.endProgram();   // "exitprog", and any name the tutor does not know
}

void cmdQuit(Host& host) {
    host.endProgram();
    // Never reached: endProgram throws. The compiler cannot see through a virtual call that it
    // never returns, and this keeps the promise of [[noreturn]] visible to it.
    throw ProgramEnded{};
}

}  // namespace qatutor
