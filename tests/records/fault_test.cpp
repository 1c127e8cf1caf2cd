// File-system faults stepped over every open, write and flush of the file header, a response
// record and a notes record: each file keeps either the whole record or none of it, every
// earlier byte stays, the error names the file, and no channel is left open.
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <functional>
#include <map>

#include "reader/reader.h"
#include "records/records.h"
#include "records/startup.h"
#include "support/fake_host.h"
#include "support/fixture_bank.h"

namespace qatutor::testing {
namespace {

using Command = std::function<void(FakeHost&, Session&)>;

struct Scenario {
    const char* name;
    Command prepare;  // runs without faults
    Command command;  // runs with the Nth file operation failing
};

const std::vector<std::string> recordFiles = {"masterFile_Ann_Lee.txt", "send_1207Ann_Lee.txt",
                                              "notes_Ann_Lee.txt"};

void startAnn(FakeHost& host, Session& session) {
    for (const char* reply : {"Ann Lee", "", "2"}) host.queuePromptReply(reply);
    startUp(host, session, piecesOf(fixtureBankLines()));
}

const std::string fileHeader = "file header";

std::vector<Scenario> scenarios() {
    return {
        {fileHeader.c_str(),
         [](FakeHost& host, Session& session) {
             startAnn(host, session);  // an earlier run's header and a note
             cmdNextQuestion(host, session);
             host.answer = "an earlier note";
             cmdSaveAsNotes(host, session);
             for (const char* reply : {"Ann Lee", "", "2"}) host.queuePromptReply(reply);
             setUpSession(host, session, piecesOf(fixtureBankLines()));
         },
         [](FakeHost& host, Session& session) { openAssignment(host, session); }},
        {"response record",
         [](FakeHost& host, Session& session) {
             startAnn(host, session);
             cmdNextQuestion(host, session);
             host.answer = "twelve";
         },
         [](FakeHost& host, Session& session) {
             host.queuePromptReply("2");
             cmdEnterResponse(host, session);
         }},
        {"notes record",
         [](FakeHost& host, Session& session) {
             startAnn(host, session);
             cmdNextQuestion(host, session);
             host.answer = "first note";
             cmdSaveAsNotes(host, session);
             cmdNextQuestion(host, session);
             host.answer = "second note\r\nwith two lines";
         },
         [](FakeHost& host, Session& session) { cmdSaveAsNotes(host, session); }},
    };
}

std::map<std::string, std::string> snapshot(FakeHost& host) {
    std::map<std::string, std::string> files;
    for (const std::string& name : recordFiles) {
        const std::string path = host.home.file("kavrodel/" + name);
        files[name] = exists(path) ? readFile(path) : "<missing>";
    }
    return files;
}

TEST(FaultInjection, EveryFileKeepsTheWholeRecordOrNoneOfIt) {
    const int errors[] = {ENOSPC, EACCES, EROFS, EIO};
    for (const Scenario& scenario : scenarios()) {
        // The record each file gains when nothing fails.
        std::map<std::string, std::string> before, after;
        {
            FakeHost host;
            Session session;
            scenario.prepare(host, session);
            before = snapshot(host);
            scenario.command(host, session);
            after = snapshot(host);
        }
        bool completed = false;
        for (int failing = 1; !completed && failing < 40; ++failing) {
            FakeHost host;
            Session session;
            scenario.prepare(host, session);
            ASSERT_EQ(snapshot(host), before) << scenario.name;
            const int error = errors[failing % 4];
            int count = 0;
            FileOperation failedOperation = FileOperation::open;
            std::string failedPath;
            host.channels().setFaultHook([&](FileOperation operation, const std::string& path) {
                if (++count != failing) return 0;
                failedOperation = operation;
                failedPath = path;
                return error;
            });
            std::string message;
            try {
                scenario.command(host, session);
                completed = true;
            } catch (const HostError& e) {
                message = e.what();
            }
            host.channels().setFaultHook(nullptr);
            const std::string where =
                std::string(scenario.name) + ", operation " + std::to_string(failing);

            EXPECT_EQ(host.channels().openCount(), 0) << where;
            if (!completed) {
                EXPECT_NE(message.find(std::strerror(error)), std::string::npos)
                    << where << ": " << message;
                EXPECT_NE(message.find(host.home.file("kavrodel") + TempFolder::separator),
                          std::string::npos)
                    << where << ": " << message;
            }
            // A record that failed says which files hold it: none when a file did not open,
            // and which are which when it reached some files and not others.
            const std::size_t said = message.find("\n\n");
            EXPECT_EQ(said != std::string::npos, !completed && scenario.name != fileHeader)
                << where << ": " << message;
            if (said != std::string::npos && failedOperation == FileOperation::open) {
                EXPECT_NE(message.find(" is in none of your record files. The tutor ends", said),
                          std::string::npos)
                    << where << ": " << message;
            } else if (said != std::string::npos) {
                const std::size_t notIn = message.find(" not in ", said);
                ASSERT_NE(notIn, std::string::npos) << where << ": " << message;
                // "in A and B, but not in C or D": every file held, none of those missing.
                EXPECT_EQ(message.find(" or your", said) < notIn, false)
                    << where << ": " << message;
                EXPECT_EQ(message.find(" and your", notIn), std::string::npos)
                    << where << ": " << message;
                for (const std::string& name : recordFiles) {
                    if (after[name] == before[name]) continue;  // not one of this record's files
                    const bool held = snapshot(host)[name] == after[name];
                    const std::size_t at = message.find(
                        host.home.file("kavrodel" + (TempFolder::separator + name)), said);
                    ASSERT_NE(at, std::string::npos) << where << ": " << name << ": " << message;
                    EXPECT_EQ(at < notIn, held) << where << ": " << name << ": " << message;
                }
            }
            // The files are written in the order master, send, notes: when the write of one
            // of them fails, the files after it have gained nothing.
            bool afterFailedWrite = false;
            for (const std::string& name : recordFiles) {
                const std::string content = snapshot(host)[name];
                const bool none =
                    content == before[name] || (before[name] == "<missing>" && content.empty());
                EXPECT_TRUE(none || content == after[name])
                    << where << ": " << name << " holds part of a record";
                EXPECT_TRUE(none || !afterFailedWrite)
                    << where << ": " << name << " was written before the file that failed";
                if (!completed && failedOperation != FileOperation::open &&
                    failedPath == host.home.file("kavrodel/" + name))
                    afterFailedWrite = true;
            }
        }
        EXPECT_TRUE(completed) << scenario.name;
    }
}

TEST(FaultInjection, AFolderRemovedDuringTheRunStopsTheRecordBeforeAnythingIsAsked) {
    FakeHost host;
    Session session;
    startAnn(host, session);
    cmdNextQuestion(host, session);
    std::filesystem::remove_all(host.home.file("kavrodel"));
    host.answer = "lost?";
    const auto promptsBefore = host.prompts().size();
    EXPECT_THROW(cmdEnterResponse(host, session), HostError);
    EXPECT_EQ(host.prompts().size(), promptsBefore);
    EXPECT_EQ(host.answer, "lost?");  // the student's text is still in the box
    EXPECT_EQ(host.channels().openCount(), 0);
}

// A record whose bytes stay in a file because the cut back failed says which file may end with
// part of it, whether that file is the first or a later one.
TEST(FaultInjection, AFileThatCouldNotBeCutBackIsNamedAsHoldingPartOfTheRecord) {
    struct Case {
        const char* failing;
        const char* says;
    };
    const std::vector<Case> cases = {
        {"masterFile_", " is in none of your record files whole: not in your master file "},
        {"send_", " is in your master file "},
    };
    for (const Case& c : cases) {
        FakeHost host;
        Session session;
        startAnn(host, session);
        cmdNextQuestion(host, session);
        host.answer = "my answer";
        host.queuePromptReply("2");
        host.channels().setFaultHook([&](FileOperation operation, const std::string& path) {
            if (path.find(c.failing) == std::string::npos) return 0;
            return operation == FileOperation::write     ? ENOSPC
                   : operation == FileOperation::cutBack ? EACCES
                                                         : 0;
        });
        try {
            cmdEnterResponse(host, session);
            ADD_FAILURE() << c.failing << ": the record should fail";
        } catch (const HostError& error) {
            const std::string message = error.what();
            const std::string kind = c.failing == std::string("send_") ? "send" : "master";
            EXPECT_NE(message.find(std::string("The response") + c.says), std::string::npos)
                << message;
            EXPECT_NE(message.find("; your " + kind + " file may end with part of it."),
                      std::string::npos)
                << message;
        }
    }
}

}  // namespace
}  // namespace qatutor::testing
