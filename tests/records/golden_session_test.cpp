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
    // Choosing to change the folder and then keeping the default writes the same files.
    for (const char* reply : {"Ann Lee", "1", "", "2"}) host.queuePromptReply(reply);
    startUp(host, session, piecesOf(fixtureBankLines()));
    const std::string masterPath = host.local(session.masterFilePath);
    const std::string noise = readFile(masterPath).substr(0, readFile(masterPath).find("\r\n"));

    cmdNextQuestion(host, session);  // question 001
    host.answer = "I think 12.";
    host.queuePromptReply("2");
    cmdEnterResponse(host, session);  // confidence 2

    cmdNextQuestion(host, session);  // its answer
    host.answer = "Line one\r\nLine two";
    host.queuePromptReply("");  // the rating dialog cancelled
    host.time = "14:06:10";
    cmdEnterResponse(host, session);
    EXPECT_EQ(session.selfCritiqueRating, "");

    cmdNextQuestion(host, session);  // question 002
    host.answer = "remember: 3 x 4";
    host.time = "14:07:00";
    cmdSaveAsNotes(host, session);
    host.queuePromptReply("1");
    cmdEnterResponse(host, session);  // the emptied box: an empty response

    cmdNextQuestion(host, session);  // the box keeps what the record left
    host.answer = session.answerPrompt;
    cmdEnterResponse(host, session);  // still the prompt: nothing recorded

    // Every text the student is shown, written out here as the student reads it.
    const std::string confidence =
        "Assess your level of confidence in your answer on a scale from 0 to 3, where 0 means you "
        "have no confidence in your answer, 1 means you have some confidence, 2 means you are "
        "pretty confident and 3 means you are certain of your answer:";
    const std::string selfCritique =
        "Rate the quality of your self-critique on a 0-3 scale, where 0 indicates that "
        "self-critique was necessary on this question but was not given, 1 indicates that "
        "self-critique was necessary but the given self-critique was not adequate, 2 indicates "
        "that "
        "self-critique was necessary and was mostly adequate, and 3 indicates that either "
        "self-critique was not necessary or that after reading the solution everything was "
        "completely obvious so you skipped the self-critique.";
    EXPECT_EQ(
        host.prompts(),
        (std::vector<std::string>{
            "Your full name:  ",
            "Enter 1 if you want to change the folder to which your files will be written.  "
            "The current default folder is c:\\kavrodel.  If you wish to use this folder, just "
            "hit the Enter key",
            "You have chosen to change the folder to which your files will be written on your "
            "hard drive from the default c:\\kavrodel.  Enter the path to the folder you wish to "
            "use.  You may just hit the Enter key to retain the default path.",
            "Assignment Number:  ", confidence, selfCritique, confidence}));
    EXPECT_EQ(
        session.answerPrompt,
        "Enter, as appropriate, an answer to the question, a critique of your answer in "
        "response to a given answer, your insights regarding the situation at this point, "
        "notes to yourself, or just an OK.\r\n\r\nAlways critique your solutions by "
        "describing any insights you had or errors you makde, and by explaining how you can "
        "make use of the insight or how you now know how to avoid certain errors.  Also pose "
        "for the instructor any question or questions that you have related to the problem or "
        "series of problems.");

    compareWithGolden(maskNoise(readFile(masterPath), noise), "session.master.txt");
    compareWithGolden(maskNoise(readFile(host.local(session.sendFilePath)), noise),
                      "session.send.txt");
    compareWithGolden(readFile(host.local(session.notesFilePath)), "session.notes.txt");
}

}  // namespace
}  // namespace qatutor::testing
