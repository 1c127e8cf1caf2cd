// The line codec: code, decode, noise lines and the coded query file.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include "codec/codec.h"
#include "support/fake_host.h"

namespace qatutor::testing {
namespace {

std::string bytes(std::initializer_list<int> codes) {
    std::string s;
    for (int c : codes) s += static_cast<char>(c);
    return s;
}

TEST(Decode, Cases) {
    const std::vector<std::tuple<std::string, int, std::string>> cases = {
        {bytes({220, 70, 231, 32, 223}), 20, "do g"},
        {bytes({40}), 20, bytes({229})},
        {"", 20, ""},
        {bytes({66, 90, 118}), 19, ""},  // noise only; 118 is noise too
        {bytes({119}), 19, bytes({0})},
        {bytes({255}), 28, bytes({127})},
        {bytes({0}), 28, bytes({181})},
        {bytes({65}), 19, bytes({255})},
        {bytes({32, 32}), 25, "  "},
    };
    for (const auto& [line, n, want] : cases) EXPECT_EQ(decode(line, n), want);
}

TEST(Decode, CodesOutsideTheCharacterSetAreErrors) {
    const std::vector<std::pair<std::string, int>> cases = {
        {bytes({119}), 20},       // 119 - 20 - 100 = -1
        {bytes({220, 120}), 28},  // the second character fails
        {bytes({65}), 18},        // 65 + 209 - 18 = 256
    };
    for (const auto& [line, n] : cases) EXPECT_THROW(decode(line, n), TutorError) << n;
}

TEST(MakeCodeLine, NoStepsForZeroAndTwoOrThreeDrawsAStep) {
    FakeHost host;
    host.queueRandom(0.5f);
    EXPECT_EQ(makeCodeLine(host, 0), "");
    EXPECT_EQ(host.nextRandom(), 0.5f);  // nothing was drawn

    // Step 1: r = 0.05 (noise), s = 0.25 -> 78.5 -> 78, t = 0.5 -> 186.5 -> 186.
    // Step 2: r = 0.09 (noise), s = 0.75 -> 103.5 -> 104, t = 0 -> 118.
    // Step 3: r = 0.1 (no noise), t = highest draw -> 255.
    const float highest = 1.0f - 1.0f / 16777216.0f;
    for (float v : {0.05f, 0.25f, 0.5f, 0.09f, 0.75f, 0.0f, 0.1f, highest}) host.queueRandom(v);
    EXPECT_EQ(makeCodeLine(host, 3), bytes({78, 186, 104, 118, 255}));

    host.queueRandom(0.0f);
    host.queueRandom(highest);
    host.queueRandom(0.0f);
    EXPECT_EQ(makeCodeLine(host, 1), bytes({116, 118}));
}

TEST(MakeCodeLine, NineteenStepsGiveNineteenToThirtyEightCodedCharacters) {
    FakeHost host;
    for (float seed : {0.0f, 1.5f, 43200.25f, 86399.0f}) {
        host.reseedRandom(seed);
        const std::string line = makeCodeLine(host, 19);
        EXPECT_GE(line.size(), 19u);
        EXPECT_LE(line.size(), 38u);
        for (char c : line) {
            EXPECT_GE(static_cast<unsigned char>(c), 66);
            EXPECT_NE(c, ' ');
        }
    }
}

class CodeFileTest : public ::testing::Test {
protected:
    CodeFileTest() {
        session.outputFolder = "c:\\out";
        ::mkdir(host.home.file("out").c_str(), 0755);
    }
    std::string query() const { return host.home.file("out/query.txt"); }
    std::string coded() const { return host.home.file("out/queri.txt"); }
    FakeHost host;
    Session session;
};

TEST_F(CodeFileTest, CodesEachLineBySixFirstCharactersAndSetsTheCodingNumber) {
    writeFile(query(), "assignment #001\r\nquery  why\r\nQUERY xyz\r\nplain\r\nqu\r\n");
    session.codeNumber = 22;
    codeFile(host, session);
    EXPECT_EQ(session.codeNumber, 15);
    EXPECT_EQ(readFile(coded()), "assignment #001\r\nquerywhy\r\nqueryyz\r\nplain\r\nqu\r\n");
    EXPECT_EQ(host.channels().openCount(), 0);
}

TEST_F(CodeFileTest, FailuresComeInOrderAndLeaveAnEarlierCodedFileAlone) {
    writeFile(coded(), "earlier");
    EXPECT_THROW(codeFile(host, session), HostError);  // no query file
    writeFile(query(), "");
    EXPECT_THROW(codeFile(host, session), HostError);  // no first line
    EXPECT_EQ(host.channels().openCount(), 0);
    EXPECT_EQ(readFile(coded()), "earlier");
}

}  // namespace
}  // namespace qatutor::testing
