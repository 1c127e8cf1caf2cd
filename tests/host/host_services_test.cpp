// Path mapping, Windows-1252, the clock's texts and the run's random generator.
#include <gtest/gtest.h>

#include <cmath>
#include <set>

#include "base/cp1252.h"
#include "host/clock_text.h"
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
    for (const auto& [program, local] : cases)
        EXPECT_EQ(localPath(program, "/home/ann"), local) << program;
    EXPECT_THROW(localPath("d:\\math\\x.txt", "/home/ann"), HostError);
    // A typed folder keeps its own spelling (UTF-8); the file name after it is Windows-1252.
    const std::string typed = "/srv/\xD0\x94";  // Д
    EXPECT_EQ(localPath(typed + "\\notes_Zo\xEB.txt", PathPlaces{"/home/ann", {}, typed}),
              typed + "/notes_Zo\xC3\xAB.txt");
}

TEST(Cp1252, EveryByteSurvivesTheRoundTripThroughUnicode) {
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t codePoint = cp1252::toCodePoint(static_cast<unsigned char>(byte));
        ASSERT_EQ(cp1252::fromCodePoint(codePoint), static_cast<unsigned char>(byte)) << byte;
    }
    EXPECT_EQ(cp1252::toCodePoint(0x80), U'\u20AC');
    EXPECT_EQ(cp1252::toCodePoint(0x9F), U'\u0178');
    EXPECT_EQ(cp1252::toCodePoint(0xA0), U'\u00A0');
    EXPECT_EQ(cp1252::fromCodePoint(U'\u03C0'), std::nullopt);  // Greek pi
    EXPECT_EQ(cp1252::fromCodePoint(U'\u221A'), std::nullopt);  // square-root sign
    EXPECT_EQ(cp1252::toUtf8("\x80\xE9"), "\xE2\x82\xAC\xC3\xA9");
}

TEST(Cp1252, TheBytes80To9FAreTheStandardCharacters) {
    // Windows-1252's own table; the five bytes it leaves undefined stand for U+0081 and so on.
    const char32_t standard[32] = {
        0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,  // € . ‚ ƒ „ … † ‡
        0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,  // ˆ ‰ Š ‹ Œ . Ž .
        0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,  // . ‘ ’ “ ” • – —
        0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,  // ˜ ™ š › œ . ž Ÿ
    };
    for (int byte = 0x80; byte <= 0x9F; ++byte)
        EXPECT_EQ(cp1252::toCodePoint(static_cast<unsigned char>(byte)), standard[byte - 0x80])
            << byte;
}

TEST(ClockText, MonthDayYearAndTheTwentyFourHourClock) {
    struct Case {
        int year, month, day, hour, minute, second;
        std::string date, time;
    };
    const std::vector<Case> cases = {
        {2026, 12, 7, 14, 5, 9, "12-07-2026", "14:05:09"},
        {2026, 3, 4, 0, 0, 0, "03-04-2026", "00:00:00"},       // midnight; month before day
        {2026, 12, 31, 23, 59, 59, "12-31-2026", "23:59:59"},  // the last second of the year
        {2027, 1, 1, 0, 0, 1, "01-01-2027", "00:00:01"},
        {2026, 9, 30, 12, 0, 0, "09-30-2026", "12:00:00"},  // noon is 12, not 00
        {2026, 10, 9, 13, 7, 5, "10-09-2026", "13:07:05"},  // afternoon on the 24-hour clock
    };
    for (const Case& c : cases) {
        std::tm time{};
        time.tm_year = c.year - 1900;
        time.tm_mon = c.month - 1;
        time.tm_mday = c.day;
        time.tm_hour = c.hour;
        time.tm_min = c.minute;
        time.tm_sec = c.second;
        EXPECT_EQ(dateText(time), c.date);
        EXPECT_EQ(timeText(time), c.time);
    }
}

TEST(RandomGenerator, ValuesLieInZeroToOneAndEqualSeedsRepeat) {
    RandomGenerator a, b;
    a.reseed(50709.5f);
    b.reseed(50709.5f);
    // Every value is a whole number of 2^-24 below 1 (a 32-bit draw divided in single precision
    // would round its top values up to 1), and the draws use all 24 bits: among 100,000 of
    // 2^24 possible values only a few hundred repeat.
    double sum = 0;
    std::set<float> distinct;
    for (int i = 0; i < 100000; ++i) {
        const float value = a.next();
        ASSERT_LT(value, 1.0f);
        ASSERT_EQ(std::ldexp(value, 24), std::floor(std::ldexp(value, 24))) << value;
        ASSERT_EQ(value, b.next());
        distinct.insert(value);
        sum += value;
    }
    EXPECT_GT(distinct.size(), 99000u);
    EXPECT_NEAR(sum / 100000, 0.5, 0.01);
    b.reseed(50709.0f);
    a.reseed(50709.5f);
    EXPECT_NE(a.next(), b.next());
}

}  // namespace
}  // namespace qatutor::testing
