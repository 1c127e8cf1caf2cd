// inbox_sessions OUTDIR: three students' sessions on the built-in bank, written by the tutor's
// own start-up, reader and record commands, leaving their send files (and one master file) in
// OUTDIR. The report test in a real browser, the instructor's guide and the benchmark read them.
//
// inbox_sessions OUTDIR --every-assignment: one session for each assignment of the built-in
// bank, each on a day of its own in November (send_1101Every_Piece.txt is assignment 1), every
// piece answered and rated in turn 3, 2, 1, 0, 2, 3 up to the assignment's end; the benchmark
// makes a class of them.
//
// What the students did (ratings in brackets; the browser test checks the report's figures):
//   Ann Lee, 7 December, assignment 3: q1 [3], a1 [3], q2 [2], a2 [2], a note, q3 with a
//     <script> element [1], a3 [3]; her master file is sent too.
//   Bob Stone, 8 December, assignment 3: q1 [2], a1 [0], q2 [0], a2 ["5", not a rating].
//   Chloé Martin, 7 December, assignment 1: q1 with a Windows-1252 character [3], a1 [2].
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bank/bank_source.h"
#include "reader/reader.h"
#include "records/records.h"
#include "records/startup.h"
#include "support/fake_host.h"

namespace {

using namespace qatutor;
using testing::FakeHost;

struct Step {
    enum Kind { next, respond, note } kind;
    std::string text;
    std::string rating;
};

struct Student {
    std::string name, date, assignment;
    std::vector<Step> steps;
    bool sendsMaster;
    bool toTheEnd = false;  // after `steps`, answer every piece up to the assignment's end
};

// "19:03:00" and on, `step` times 40 seconds later.
std::string timeOfStep(int step) {
    const int seconds = 19 * 3600 + 3 * 60 + 40 * step;
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", seconds / 3600 % 24, seconds / 60 % 60,
                  seconds % 60);
    return text;
}

// Next and a rated response, piece after piece, until the next assignment's line ends the run.
void answerToTheEnd(FakeHost& host, Session& session) {
    const char* ratings[] = {"3", "2", "1", "0", "2", "3"};
    try {
        for (int piece = 0;; ++piece) {
            host.time = timeOfStep(2 * piece);
            cmdNextQuestion(host, session);
            host.time = timeOfStep(2 * piece + 1);
            host.answer = "Worked through piece " + std::to_string(piece + 1) + " step by step.";
            host.queuePromptReply(ratings[piece % 6]);
            cmdEnterResponse(host, session);
        }
    } catch (const ProgramEnded&) {
    }
}

void writeSession(const Student& student, const std::string& outputFolder) {
    FakeHost host;
    host.date = student.date;
    Session session;
    for (const std::string& reply : {student.name, std::string(), student.assignment})
        host.queuePromptReply(reply);
    host.time = "19:02:11";
    startUp(host, session, builtInBank());
    int minute = 3;
    for (const Step& step : student.steps) {
        host.time =
            "19:" + std::to_string(10 + minute) + ":" + std::to_string(10 + minute * 17 % 50);
        minute += 2;
        if (step.kind == Step::next) {
            cmdNextQuestion(host, session);
            continue;
        }
        host.answer = step.text;
        if (step.kind == Step::note) {
            cmdSaveAsNotes(host, session);
        } else {
            host.queuePromptReply(step.rating);
            cmdEnterResponse(host, session);
        }
    }
    if (student.toTheEnd) answerToTheEnd(host, session);
    namespace fs = std::filesystem;
    const fs::path send = host.local(session.sendFilePath);
    fs::copy_file(send, fs::path(outputFolder) / send.filename(),
                  fs::copy_options::overwrite_existing);
    if (student.sendsMaster) {
        const fs::path master = host.local(session.masterFilePath);
        fs::copy_file(master, fs::path(outputFolder) / master.filename(),
                      fs::copy_options::overwrite_existing);
    }
}

}  // namespace

int main(int argc, char** argv) {
    const bool everyAssignment = argc == 3 && std::string(argv[2]) == "--every-assignment";
    if (argc != 2 && !everyAssignment) {
        std::fprintf(stderr, "usage: inbox_sessions OUTDIR [--every-assignment]\n");
        return 2;
    }
    if (everyAssignment) {
        try {
            int day = 0;
            for (const char* assignment :
                 {"1", "2", "3", "4", "5", "6", "7", "8", "9", "10", "14", "15", "16", "17"}) {
                char date[32];
                std::snprintf(date, sizeof date, "11-%02d-2026", ++day);
                writeSession({"Every Piece", date, assignment, {}, false, true}, argv[1]);
            }
        } catch (const std::exception& error) {
            std::fprintf(stderr, "inbox_sessions: %s\n", error.what());
            return 1;
        }
        return 0;
    }
    const Step next{Step::next, "", ""};
    const std::vector<Student> students = {
        {"Ann Lee",
         "12-07-2026",
         "3",
         {next,
          {Step::respond, "P(7,3) = 7 * 6 * 5 = 210.", "3"},
          next,
          {Step::respond, "Same as mine.", "3"},
          next,
          {Step::respond, "C(7,3) = 210 / 3! = 35, since each group of 3 can be ordered in 6 ways.",
           "2"},
          next,
          {Step::respond, "I divided by 3 instead of 3! at first;\r\nnow I see why it is 6.", "2"},
          {Step::note, "Remember: C(n,r) = P(n,r) / r!", ""},
          next,
          {Step::respond, "<script>alert('hello')</script> 10*9*8*7 / 24 = 5040 / 24 = 210", "1"},
          next,
          {Step::respond, "Cancelling first is much quicker.", "3"}},
         true},
        {"Bob Stone",
         "12-08-2026",
         "3",
         {next,
          {Step::respond, "210", "2"},
          next,
          {Step::respond, "ok", "0"},
          next,
          {Step::respond, "I don't know how to start.", "0"},
          next,
          {Step::respond, "Still not sure why we divide.", "5"}},
         false},
        {"Chlo\xE9 Martin",
         "12-07-2026",
         "1",
         {next,
          {Step::respond, "3 \xD7 4 \xD7 2 = 24 outfits.", "3"},
          next,
          {Step::respond, "Right, one choice per stage \x96 multiply.", "2"}},
         false},
    };
    try {
        for (const Student& student : students) writeSession(student, argv[1]);
    } catch (const std::exception& error) {
        std::fprintf(stderr, "inbox_sessions: %s\n", error.what());
        return 1;
    }
    return 0;
}
