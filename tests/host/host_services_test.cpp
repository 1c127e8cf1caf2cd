// Path mapping, Windows-1252, the clock's texts and the run's random generator.
#include <gtest/gtest.h>

#include "host/clock_text.h"
#include "host/cp1252.h"
#include "host/path_mapping.h"
#include "host/random_generator.h"
#include "support/fake_host.h"

namespace qatutor::testing {
namespace {

TEST(PathMapping, DriveCIsTheHomeFolderAndBackslashesSeparateFolders) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"c:\\kavrodel\\masterFile_Ann_Lee.txt", "/home/ann/kavrodel/masterFile_Ann_Lee.txt"},
        {"C:\\kavrodel", "/home/ann/kavrodel"},
        {"c:", "/home/ann/"},
        {"/srv/math\\notes_.txt", "/srv/math/notes_.txt"},
        {"/srv/math/\\notes_.txt", "/srv/math//notes_.txt"},
        // A leading "~" is the home folder; a relative folder lies inside it.
        {"relative\\x.txt", "/home/ann/relative/x.txt"},
        {"~\\math\\x.txt", "/home/ann/math/x.txt"},
        {"~/math\\x.txt", "/home/ann/math/x.txt"},
        {"~\\x.txt", "/home/ann/x.txt"},
        {"~ann\\x.txt", "/home/ann/~ann/x.txt"},
        {"./math\\x.txt", "/home/ann/./math/x.txt"},
        {"/tmp/caf\xE9\\x.txt", "/tmp/caf\xC3\xA9/x.txt"},
    };
    for (const auto& [program, local] : cases) EXPECT_EQ(localPath(program, "/home/ann"), local) << program;
    EXPECT_THROW(localPath("d:\\math\\x.txt", "/home/ann"), HostError);
}

TEST(Cp1252, EveryByteSurvivesTheRoundTripThroughUnicode) {
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t codePoint = cp1252::toCodePoint(static_cast<unsigned char>(byte));
        ASSERT_EQ(cp1252::fromCodePoint(codePoint), static_cast<unsigned char>(byte)) << byte;
    }
    EXPECT_EQ(cp1252::toCodePoint(0x80), U'\u20AC');
    EXPECT_EQ(cp1252::toCodePoint(0x9F), U'\u0178');
    EXPECT_EQ(cp1252::toCodePoint(0xA0), U'\u00A0');
    EXPECT_EQ(cp1252::fromCodePoint(U'\u03C0'), std::nullopt);   // Greek pi
    EXPECT_EQ(cp1252::fromCodePoint(U'\u221A'), std::nullopt);   // square-root sign
    EXPECT_EQ(cp1252::toUtf8("\x80\xE9"), "\xE2\x82\xAC\xC3\xA9");
}

TEST(RandomGenerator, ValuesLieInZeroToOneAndEqualSeedsRepeat) {
    RandomGenerator a, b;
    a.reseed(50709.5f);
    b.reseed(50709.5f);
    double sum = 0;
    for (int i = 0; i < 100000; ++i) {
        const float value = a.next();
        ASSERT_GE(value, 0.0f);
        ASSERT_LT(value, 1.0f);
        ASSERT_EQ(value, b.next());
        sum += value;
    }
    EXPECT_NEAR(sum / 100000, 0.5, 0.01);
    b.reseed(50709.0f);
    a.reseed(50709.5f);
    EXPECT_NE(a.next(), b.next());
}

}  // namespace
}  // namespace qatutor::testing
