#include "records/records.h"

#include <initializer_list>
#include <span>

#include "base/numbers.h"
#include "codec/codec.h"
#include "host/channel_guard.h"
#include "records/record_layout.h"
#include "records/record_line.h"

namespace qatutor {
namespace {

// One file's part of a record: its channel, its path and the record's bytes for it.
struct RecordFile {
    int channel;
    const char* kind;  // "master file", "send file", "notes file"
    const std::string& path;
    const RecordText* text;  // none while the files are only opened
};

// What a record command that failed tells after the error: where the record is, and that the run
// ends.
std::string failedRecordText(const std::string& held) {
    return "\n\n" + held + " The tutor ends when you click OK; start it again to go on.";
}

// "your master file /home/ann/kavrodel/masterFile_Ann_Lee.txt and your send file ..."
std::string fileList(Host& host, std::span<const RecordFile> files, const char* joiner) {
    std::string list;
    for (std::size_t i = 0; i < files.size(); ++i) {
        if (i > 0) list += i + 1 == files.size() ? joiner : ", ";
        list += std::string("your ") + files[i].kind + " " + host.realPath(files[i].path);
    }
    return list;
}

// Opens record files for appending, all before anything is written; the guard closes them
// when the command leaves, however it leaves, a failed open of a later file included. When one
// cannot be opened, nothing is in any file yet: a record command (`what`, "The response") says so.
void openForAppending(Host& host, const char* what, std::initializer_list<RecordFile> files) {
    for (const RecordFile& file : files) {
        host.closeFile(file.channel);
        try {
            host.openFile(file.channel, file.path, FileMode::append);
        } catch (const HostError& error) {
            if (!what) throw;
            throw HostError(
                error.what() +
                failedRecordText(what + std::string(" is in none of your record files.")));
        }
    }
}

// Appends each file's record in turn. When one cannot be written, the error says which files
// hold the record and which do not, since the files before it keep theirs, and which may end
// with part of it, when its bytes could not be cut back out.
//   "... The response is in your master file /home/ann/full/masterFile_Ann.txt, but not in your
//    send file /home/ann/full/send_1208Ann.txt. The tutor ends ..."
void writeRecord(Host& host, const char* what, std::initializer_list<RecordFile> files) {
    const std::span<const RecordFile> all(files.begin(), files.size());
    for (std::size_t i = 0; i < all.size(); ++i) {
        try {
            host.write(all[i].channel, all[i].text->pieces());
        } catch (const HostError& error) {
            const bool partLeft = dynamic_cast<const PartlyWrittenError*>(&error) != nullptr;
            const std::string held =
                i == 0 ? std::string(" is in none of your record files") +
                             (partLeft ? " whole" : "") + ": not in "
                       : " is in " + fileList(host, all.first(i), " and ") + ", but not in ";
            const std::string part =
                partLeft ? "; your " + std::string(all[i].kind) + " may end with part of it" : "";
            throw HostError(error.what() +
                            failedRecordText(what + held + fileList(host, all.subspan(i), " or ") +
                                             part + "."));
        }
    }
}

void emptyBoxes(Host& host) {
    host.setBoxText(TextBox::question, "");
    host.setBoxText(TextBox::answer, "");
}

void timeLine(Host& host, RecordText& file) { file.line({indent, "", host.timeText()}); }

void dateTimeLine(Host& host, RecordText& file) {
    const std::string date = host.dateText();
    file.line({indent, date, host.timeText()});
}

void fileHeader(Host& host, const Session& session, const std::string& noiseLine,
                RecordText& file) {
    file.line({noiseLine});
    file.line({code(std::string(assignmentLabel) + session.assignmentNumber, session.codeNumber)});
    file.line({code(session.bank.at(session.lineCursor), session.codeNumber)});
    file.line({session.courseTitle});
    file.line({host.dateText()});
}

// Asks for the self-critique rating and adds its line to both files.
void askSelfCritique(Host& host, Session& session, RecordText& master, RecordText& send) {
    session.selfCritiqueRating = host.prompt(std::string(selfCritiquePrompt));
    const std::string ratingLine = std::string(selfCritiqueLabel) + session.selfCritiqueRating;
    master.line({ratingLine});
    send.line({ratingLine});
}

}  // namespace

void writeFileHeader(Host& host, Session& session) {
    ChannelGuard guard(host, {masterChannel, sendChannel});
    openForAppending(host, nullptr,
                     {{masterChannel, "master file", session.masterFilePath, nullptr},
                      {sendChannel, "send file", session.sendFilePath, nullptr}});
    const std::string noiseLine = makeCodeLine(host, session.codeNumber);
    RecordText master, send;
    fileHeader(host, session, noiseLine, master);
    fileHeader(host, session, noiseLine, send);
    host.write(masterChannel, master.bytes());
    host.write(sendChannel, send.bytes());
}

void cmdEnterResponse(Host& host, Session& session) {
    std::string response = host.boxText(TextBox::answer);
    if (response != session.answerPrompt) {
        session.resetAnswerBox = false;
        ChannelGuard guard(host, {masterChannel, sendChannel});
        openForAppending(host, "The response",
                         {{masterChannel, "master file", session.masterFilePath, nullptr},
                          {sendChannel, "send file", session.sendFilePath, nullptr}});
        session.workText = code(std::move(response), session.codeNumber);  // as the files hold it

        RecordText master, send;
        master.line({separatorLine});
        send.line({separatorLine});
        timeLine(host, master);
        timeLine(host, send);
        master.lineWithNumber(
            std::string(questionNumberPrefix),
            numericValue(session.assignmentNumber) * 10000 + numericValue(session.questionNumber));
        // Coded once for both files: the coding gives the same line each time.
        const std::string codedLine = code(session.currentLine, session.codeNumber);
        for (RecordText* file : {&master, &send}) {
            file->line({codedLine});
            file->line({separatorLine});
            file->line({responseLabel});
            file->borrowedLine(session.workText);
        }
        if (session.entryKind == EntryKind::question) {
            const std::string ratingLine =
                std::string(confidenceLabel) + host.prompt(std::string(confidencePrompt));
            master.line({ratingLine});
            send.line({ratingLine});
        } else if (session.entryKind == EntryKind::answer) {
            askSelfCritique(host, session, master, send);
        }
        master.line({closingLine});
        send.line({closingLine});

        writeRecord(host, "The response",
                    {{masterChannel, "master file", session.masterFilePath, &master},
                     {sendChannel, "send file", session.sendFilePath, &send}});
    }
    emptyBoxes(host);
}

void cmdSaveAsNotes(Host& host, Session& session) {
    const std::string note = host.boxText(TextBox::answer);
    if (note != session.answerPrompt) {
        session.resetAnswerBox = false;
        session.workText = code(std::string(notesLabel) + note, session.codeNumber);
        ChannelGuard guard(host, {masterChannel, sendChannel, notesChannel});
        openForAppending(host, "The note",
                         {{masterChannel, "master file", session.masterFilePath, nullptr},
                          {sendChannel, "send file", session.sendFilePath, nullptr},
                          {notesChannel, "notes file", session.notesFilePath, nullptr}});

        RecordText master, send, notes;
        const std::initializer_list<RecordText*> all = {&master, &send, &notes};
        for (RecordText* file : all) file->line({separatorLine});
        for (RecordText* file : all) timeLine(host, *file);
        for (RecordText* file : all) dateTimeLine(host, *file);
        const std::string codedLine = code(session.currentLine, session.codeNumber);
        for (RecordText* file : all) {
            file->line({codedLine});
            file->line({separatorLine});
            file->borrowedLine(session.workText);
        }
        master.line({closingLine});
        send.unendedLine(closingLine);
        notes.unendedLine(closingLine);

        writeRecord(host, "The note",
                    {{masterChannel, "master file", session.masterFilePath, &master},
                     {sendChannel, "send file", session.sendFilePath, &send},
                     {notesChannel, "notes file", session.notesFilePath, &notes}});
    }
    emptyBoxes(host);
}

}  // namespace qatutor
