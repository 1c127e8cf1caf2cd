// The picture commands against the fake host.
#include <gtest/gtest.h>

#include "pictures/picture_commands.h"
#include "support/fake_host.h"
#include "support/fixture_bank.h"

namespace qatutor::testing {
namespace {

TEST(PictureCommandsTest, NextPictureLooksTwoLinesAhead) {
    FakeHost host;
    struct Case {
        std::vector<std::string> after;  // lines p+1, p+2, p+3
        int moved;
        bool ends;
    };
    const std::vector<Case> cases = {
        {{"`routine graph1", "`routine exitprog", "x"}, 1, false},  // second pass looks at p+3
        {{"x", "`routine graph2", "y"}, 2, false},
        {{"`routine graph1", "x", "`ROUTINE graph3"}, 3, false},
        {{"x", "y", "`routine graph1"}, 0, false},
        {{"`routine", "x", "y"}, 1, true},  // the empty name ends the run
        {{"`routine exitprog", "x", "y"}, 0, true},
        {{"x", "`routine exitprog", "y"}, 0, true},
    };
    for (const Case& c : cases) {
        Session s;
        std::vector<std::string> lines = {"001.  A", "`q001. x"};
        lines.insert(lines.end(), c.after.begin(), c.after.end());
        int cursor = 0;
        loadQuestionBank(s.bank, cursor, piecesOf(lines));
        s.lineCursor = 2;
        host.ended = false;
        EXPECT_EQ(nextPictureEndsRun(s), c.ends) << c.after[0] << " / " << c.after[1];
        try {
            cmdNextPicture(host, s);
        } catch (const ProgramEnded&) {
        }
        EXPECT_EQ(host.ended, c.ends) << c.after[0] << " / " << c.after[1];
        if (!c.ends) {
            EXPECT_EQ(s.lineCursor, 2 + c.moved) << c.after[0];
        }
    }
    Session atEnd;
    atEnd.lineCursor = 4999;
    EXPECT_FALSE(nextPictureEndsRun(atEnd));
    EXPECT_THROW(cmdNextPicture(host, atEnd), TutorError);
}

}  // namespace
}  // namespace qatutor::testing
