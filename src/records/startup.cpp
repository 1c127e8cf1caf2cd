#include "records/startup.h"

#include "bank/bank_check.h"
#include "base/cp1252.h"
#include "base/numbers.h"
#include "codec/codec.h"
#include "records/records.h"

namespace qatutor {

const std::string answerPromptText =
    "Enter, as appropriate, an answer to the question, a critique of your answer in response to a "
    "given answer, your insights regarding the situation at this point, notes to yourself, or just "
    "an OK.\r\n\r\nAlways critique your solutions by describing any insights you had or errors you "
    "makde, and by explaining how you can make use of the insight or how you now know how to avoid "
    "certain errors.  Also pose for the instructor any question or questions that you have related "
    "to the problem or series of problems.";

namespace {

// Control characters are those whose code point is a control: 0 to 31, DEL (127), and the five
// bytes that Windows-1252 leaves undefined (0x81, 0x8D, 0x8F, 0x90, 0x9D), which stand for the
// C1 controls U+0081 and so on. The other bytes 0x80 to 0x9F are printable (the euro sign, S and
// Z with caron, curly quotes, dashes) and stay, as every letter of a name should.
bool cannotStandInFileName(char c) {
    const char32_t codePoint = cp1252::toCodePoint(static_cast<unsigned char>(c));
    const bool control = codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F);
    return control || std::string_view(" /\\:*?\"<>|").find(c) != std::string_view::npos;
}

// The default folder, or the folder the student typed in the host's own spelling of paths (any
// script, as typed): the record file names are joined to it, and only the host reads it back.
std::string askOutputFolder(Host& host) {
    std::string folder(defaultFolder);
    if (host.prompt(std::string(folderChoicePrompt)) == "1") {
        std::string typed = host.promptFolder(std::string(folderPathPrompt));
        if (!typed.empty()) folder = std::move(typed);
    }
    return folder;
}

void makeMasterFileExist(Host& host, const Session& session) {
    host.closeFile(masterChannel);
    try {
        host.openFile(masterChannel, session.masterFilePath, FileMode::append);
    } catch (const NameTooLongError& error) {
        throw HostError(std::string(error.what()) +
                        " Start again with a shorter name or folder; nothing was written.");
    } catch (const FileBusyError& error) {
        // The folder is fine: another program has the file.
        throw HostError(std::string(error.what()) + " Nothing was written.");
    } catch (const HostError& error) {
        throw HostError("Your record files cannot be written in the folder " +
                        host.realPath(session.outputFolder) + ", so nothing was written. " +
                        error.what());
    }
    host.closeFile(masterChannel);
}

// The assignments the bank holds, one line "001  Counting" each: the header lines, which are the
// lines the start-up scan can stop at (three digits and a point) except the end lines ("011.").
std::string assignmentList(const BankTable& bank) {
    std::string list;
    for (int index = 1; index <= lastBankIndex; ++index) {
        const std::string& line = bank.at(index);
        if (kindOf(line) != LineKind::header) continue;
        const std::size_t title = line.find_first_not_of(' ', 4);
        list += "\n" + line.substr(0, 3);
        if (title != std::string::npos) list += "  " + cp1252::toUtf8(line.substr(title));
    }
    return list;
}

}  // namespace

std::string fileNamePart(std::string_view name) {
    std::string part(name);
    for (char& c : part)
        if (cannotStandInFileName(c)) c = '_';
    return part;
}

RecordFileNames recordFileNames(std::string_view name, std::string_view date) {
    const std::string n = fileNamePart(name);
    const std::string extension(recordFileExtension);
    return {std::string(masterFilePrefix) + n + extension,
            std::string(sendFilePrefix) + std::string(date.substr(0, 2)) +
                std::string(date.substr(3, 2)) + n + extension,
            std::string(notesFilePrefix) + n + extension};
}

void setUpSession(Host& host, Session& session, const std::vector<BankPiece>& bank) {
    host.reseedRandom(host.secondsSinceMidnight());
    // In double precision: in single precision the highest draw would round up to 29.
    session.codeNumber = static_cast<int>(static_cast<double>(host.nextRandom()) * 10 + 19);
    host.setPictureScale(PictureBox::picture1, pictureUnits, pictureUnits);
    host.setPictureScale(PictureBox::picture2, pictureUnits, pictureUnits);
    session.outputFolder = std::string(defaultFolder);
    try {
        host.makeFolder(std::string(defaultFolder));
    } catch (const HostError&) {
        // Usually it exists already; a folder that cannot be used shows when the files open.
    }

    const std::string name = host.promptName(std::string(namePrompt));
    session.outputFolder = askOutputFolder(host);

    const RecordFileNames names = recordFileNames(name, host.dateText());
    session.masterFilePath = session.outputFolder + "\\" + names.master;
    session.sendFilePath = session.outputFolder + "\\" + names.send;
    session.notesFilePath = session.outputFolder + "\\" + names.notes;

    session.assignmentReply = host.prompt(std::string(assignmentPrompt));
    session.assignmentNumber = session.assignmentReply;
    session.answerPrompt = answerPromptText;
    session.assignmentNumber = padNumber(session.assignmentNumber);
    session.nextAssignmentNumber =
        padNumber(numberText(numericValue(session.assignmentNumber) + 1));

    session.lineCursor = 0;
    loadQuestionBank(session.bank, session.lineCursor, bank);
}

void openAssignment(Host& host, Session& session) {
    const std::string wanted = session.assignmentNumber + ".";
    session.lineCursor = 0;
    std::string line;
    // An end line ("011.") marks where the assignment before it ends; it opens none, so the scan
    // passes over it rather than starting the run inside the next assignment.
    while (line.substr(0, 4) != wanted || kindOf(line) == LineKind::end) {
        if (session.lineCursor == lastBankIndex)
            throw TutorError("Assignment \"" + cp1252::toUtf8(session.assignmentReply) +
                             "\" is not in the question bank, so nothing was written. Start again "
                             "and type one of these assignment numbers alone, without blanks "
                             "or other characters:" +
                             assignmentList(session.bank));
        ++session.lineCursor;
        line = session.bank.at(session.lineCursor);
    }
    // A run ended in the middle of a record, on an earlier day, left it in a send file that no
    // run writes to again: it is cut out before anything else is written, and the student told,
    // since they may believe that response recorded.
    const std::vector<std::string> cut = host.cutOutUnfinishedRecords(session.outputFolder);
    if (!cut.empty()) {
        std::string files;
        for (const std::string& file : cut) files += "\n" + file;
        host.showMessage(
            "qatutor was ended, the last time, in the middle of writing a record. "
            "The unfinished part was taken out of" +
            files +
            "\n\nEvery record still in your files is whole. The response you "
            "entered last may be missing from the files above: if it is not in "
            "your send file, enter it again.");
    }
    makeMasterFileExist(host, session);
    writeFileHeader(host, session);
}

void startUp(Host& host, Session& session, const std::vector<BankPiece>& bank) {
    session.courseTitle = std::string(courseTitleText);
    setUpSession(host, session, bank);
    openAssignment(host, session);
}

}  // namespace qatutor
