#include "reader/reader.h"

#include <optional>

#include "bank/bank_grammar.h"
#include "base/cp1252.h"
#include "base/numbers.h"
#include "base/text.h"

namespace qatutor {
namespace {

// The number of a question line: the numeric value of the three characters after the marker.
//   "`q004.  How many" -> "4"     "`q002 Find" -> "2"     "`qab1" -> "0"
std::string questionNumberOf(std::string_view line) {
    return numberText(numericValue(line.substr(2, 3)));
}

// The line the next read takes after `cursor`, answer marker removed, with its index; nothing
// when that read would run off the table. The same walk as readNextQuestion, changing nothing.
std::optional<std::pair<int, std::string_view>> lineTakenAfter(const Session& session, int cursor) {
    for (++cursor; cursor >= 0 && cursor <= lastBankIndex; ++cursor) {
        std::string_view line = session.bank.at(cursor);
        if (startsWith(line, answerMarker)) line.remove_prefix(answerMarker.size());
        if (!line.empty()) return std::pair{cursor, line};
    }
    return std::nullopt;
}

bool endsAssignment(const Session& session, std::string_view line) {
    return line.substr(0, 3) == session.nextAssignmentNumber;
}

}  // namespace

bool routineEndsProgram(std::string_view lowerCaseName) {
    return lowerCaseName != "graph1" && lowerCaseName != "graph2" && lowerCaseName != "graph3";
}

bool nextClickEndsRun(const Session& session) {
    const auto first = lineTakenAfter(session, session.lineCursor);
    if (!first) return false;
    const auto [index, line] = *first;
    if (endsAssignment(session, line)) return true;
    if (line.size() <= routineMarker.size() || !isRoutineLine(line)) return false;
    if (routineEndsProgram(toLower(remSpaces(routineNameOf(line))))) return true;
    const auto second = lineTakenAfter(session, index);
    return second && endsAssignment(session, second->second);
}

std::string assignmentFinishedMessage(Host& host, const Session& session) {
    const std::string& send = session.sendFilePath;
    const std::string sendFileName = send.substr(send.find_last_of('\\') + 1);
    return "Assignment " + cp1252::toUtf8(session.assignmentNumber) + " is finished.\n\n" +
           "Your record files are in the folder\n" + host.realPath(session.outputFolder) +
           "\n\nSend the file " + cp1252::toUtf8(sendFileName) + " to your instructor.";
}

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
    if (endsAssignment(session, line)) {
        host.showMessage(assignmentFinishedMessage(host, session));
        host.endProgram();
    }
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

std::string remSpaces(std::string_view aLine) {
    std::string result;
    result.reserve(aLine.size());
    for (char c : aLine)
        if (c != ' ' && c != '-') result += c;
    return result;
}

void runRoutine(Host& host, std::string_view routine) {
    if (routineEndsProgram(toLower(routine)))
        host.endProgram();  // "exitprog", and any unknown name
}

void cmdQuit(Host& host) {
    host.endProgram();
    // Never reached: endProgram throws. The compiler cannot see through a virtual call that it
    // never returns, and this keeps the promise of [[noreturn]] visible to it.
    throw ProgramEnded{};
}

}  // namespace qatutor
