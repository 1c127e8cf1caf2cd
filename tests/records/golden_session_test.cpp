// A whole scripted session on the fixture bank, compared byte for byte with golden files.
// The noise line, the one random line of a file header, is masked as "<noise>"; the clock is fixed.
// QATUTOR_UPDATE_GOLDEN=1 rewrites the golden files (look at them before committing).
#include <gtest/gtest.h>

#include <cstdlib>

#include "reader/reader.h"
#include "records/record_layout.h"
#include "records/records.h"
#include "records/startup.h"
#include "support/fake_host.h"
#include "support/fixture_bank.h"

namespace qatutor::testing {
namespace {

// Every file header's first line is the noise line: replace it, wherever a header starts.
std::string maskNoise(std::string bytes, const std::string& noise) {
    for (auto at = bytes.find(noise); at != std::string::npos; at = bytes.find(noise, at))
        bytes.replace(at, noise.size(), "<noise>");
    return bytes;
}

void compareWithGolden(const std::string& actual, const std::string& name) {
    const std::string path = std::string(QATUTOR_GOLDEN_DIR) + "/" + name;
    if (const char* update = std::getenv("QATUTOR_UPDATE_GOLDEN"); update && *update == '1') {
        writeFile(path, actual);
        return;
    }
    ASSERT_TRUE(exists(path)) << path;
    EXPECT_EQ(actual, readFile(path)) << name;
}

TEST(GoldenSession, ResponsesRatingsNotesAndUnchangedBoxes) {
    FakeHost host;
    Session session;
    for (const char* reply : {"Ann Lee", "", "2"}) host.queuePromptReply(reply);
    startUp(host, session, piecesOf(fixtureBankLines()));
    const std::string masterPath = host.local(session.masterFilePath);
    const std::string noise = readFile(masterPath).substr(0, readFile(masterPath).find("\r\n"));

    cmdNextQuestion(host, session);                 // question 001
    host.answer = "I think 12.";
    host.queuePromptReply("2");
    cmdEnterResponse(host, session);                // confidence 2
    EXPECT_EQ(host.prompts().back(), std::string(confidencePrompt));

    cmdNextQuestion(host, session);                 // its answer
    host.answer = "Line one\r\nLine two";
    host.queuePromptReply("");                      // the rating dialog cancelled
    host.time = "14:06:10";
    cmdEnterResponse(host, session);
    EXPECT_EQ(host.prompts().back(), std::string(selfCritiquePrompt));
    EXPECT_EQ(session.selfCritiqueRating, "");

    cmdNextQuestion(host, session);                 // question 002
    host.answer = "remember: 3 x 4";
    host.time = "14:07:00";
    cmdSaveAsNotes(host, session);
    host.queuePromptReply("1");
    cmdEnterResponse(host, session);                // the emptied box: an empty response

    cmdNextQuestion(host, session);                 // the box keeps what the record left
    host.answer = session.answerPrompt;
    cmdEnterResponse(host, session);                // still the prompt: nothing recorded

    compareWithGolden(maskNoise(readFile(masterPath), noise), "session.master.txt");
    compareWithGolden(maskNoise(readFile(host.local(session.sendFilePath)), noise), "session.send.txt");
    compareWithGolden(readFile(host.local(session.notesFilePath)), "session.notes.txt");
}

}  // namespace
}  // namespace qatutor::testing
