// Numbers read from texts and written as texts, under any locale.
#include <gtest/gtest.h>

#include <clocale>
#include <cstdlib>
#include <string>

#include "base/errors.h"
#include "base/numbers.h"

namespace qatutor::testing {
namespace {

TEST(NumericValue, LongestLeadingNumberAfterSkippingBlanksTabsAndLineFeeds) {
    const std::vector<std::pair<std::string, double>> cases = {
        {"003", 3},     {"12b", 12}, {"abc", 0},       {" 1 2", 12},  {"2.5", 2.5},
        {"1e3", 1000},  {"-4", -4},  {"1\t2\n3", 123}, {"", 0},       {"1e", 1},
        {"1e+", 1},     {".5", 0.5}, {"5.", 5},        {"+7", 7},     {"-", 0},
        {"1.2.3", 1.2}, {"\r5", 0},  {"2E-1x", 0.2},   {"1e-999", 0},
    };
    for (const auto& [text, value] : cases) EXPECT_DOUBLE_EQ(numericValue(text), value) << text;
    EXPECT_THROW(numericValue("1e999"), TutorError);
}

TEST(NumericValue, IgnoresTheLocale) {
    // Under a German locale the C library reads and writes a decimal comma. test.sh generates
    // the locale; without it this test would prove nothing, so it fails.
    const std::string previous = std::setlocale(LC_ALL, nullptr);
#ifdef _WIN32
    const char* german = "German_Germany.1252";
#else
    const char* german = "de_DE.UTF-8";
#endif
    ASSERT_NE(std::setlocale(LC_ALL, german), nullptr)
        << "the locale " << german << " is not installed; ./test.sh generates it";
    EXPECT_STREQ(std::localeconv()->decimal_point, ",");
    EXPECT_DOUBLE_EQ(std::strtod("3.14", nullptr), 3);  // what a locale-bound reading would give
    EXPECT_DOUBLE_EQ(numericValue("3.14"), 3.14);
    EXPECT_DOUBLE_EQ(numericValue("2,5"), 2);
    EXPECT_EQ(numberText(3.5), "3.5");
    EXPECT_EQ(numberItem(-0.25), "-0.25 ");
    std::setlocale(LC_ALL, previous.c_str());
}

TEST(NumberText, WholeValuesWithoutPointFractionsWithOne) {
    const std::vector<std::pair<double, std::string>> cases = {
        {4, "4"},         {3.5, "3.5"},       {-4, "-4"},
        {0, "0"},         {-0.0, "0"},        {100, "100"},
        {30012, "30012"}, {0.1 + 0.2, "0.3"}, {123456789012345, "123456789012345"},
    };
    for (const auto& [value, text] : cases) EXPECT_EQ(numberText(value), text) << value;
    EXPECT_EQ(numberItem(30012), " 30012 ");
    EXPECT_EQ(numberItem(-4), "-4 ");
    EXPECT_EQ(numberItem(2.5), " 2.5 ");
}

TEST(PadNumber, ByLengthOnly) {
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"3", "003"}, {"12", "012"}, {"099", "099"}, {"0003", "0003"},
        {"", ""},     {"x", "00x"},  {"2.5", "2.5"},
    };
    for (const auto& [in, out] : cases) EXPECT_EQ(padNumber(in), out) << in;
}

}  // namespace
}  // namespace qatutor::testing
