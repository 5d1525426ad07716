#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include "link/number_form.h"

TEST(NumberForm, ReadsWholeNumbersAsEntriesAndRepliesAreWritten) {
    const struct {
        const char* text;
        std::optional<int64_t> value;
    } cases[] = {
        {"1000", 1000},
        {" 1200 ", 1200},
        {"\t7\t", 7},
        {"250.5", 250},  // halves go to the even neighbour
        {"251.5", 252},
        {"1000.5", 1000},
        {"1001.5", 1002},
        {"-1000.5", -1000},
        {"-1001.5", -1002},
        {"12.51", 13},
        {"12.4999", 12},
        {"12.50001", 13},
        {"0.5", 0},
        {"1.5", 2},
        {".5", 0},
        {".6", 1},
        {"5.", 5},
        {"00100", 100},
        {"+5", 5},
        {"-0", 0},
        {"-400", -400},
        {"2147483647", 2147483647},
        {"-2147483648", -2147483648LL},
        {"2147483647.4", 2147483647},
        {"2147483647.5", std::nullopt},  // rounds out of range
        {"2147483648", std::nullopt},
        {"-2147483649", std::nullopt},
        {"99999999999999999999999999", std::nullopt},
        {"9999999999999999999", std::nullopt},   // one digit past 2^63
        {"18446744073709551621", std::nullopt},  // 2^64 + 5 must not wrap around to 5
        {"-18446744073709551616", std::nullopt},
        {"000000000000000000000000042", 42},  // leading zeros are no magnitude
        {"", std::nullopt},
        {"   ", std::nullopt},
        {"abc", std::nullopt},
        {"?", std::nullopt},
        {"1 000", std::nullopt},
        {"1e3", std::nullopt},
        {"1.2.3", std::nullopt},
        {"--1", std::nullopt},
        {"+", std::nullopt},
        {".", std::nullopt},
        {"0x10", std::nullopt},
        {"12abc", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto got = readWholeNumber(QString::fromLatin1(c.text));
        EXPECT_EQ(got, c.value) << '"' << c.text << '"';
    }
}

TEST(NumberForm, RangeCanBeNarrowed) {
    EXPECT_EQ(readWholeNumber("32767", -32768, 32767), 32767);
    EXPECT_EQ(readWholeNumber("32768", -32768, 32767), std::nullopt);
    EXPECT_EQ(readWholeNumber("-32768.4", -32768, 32767), -32768);
}

TEST(NumberForm, WritesPlainDecimal) {
    EXPECT_EQ(wholeNumberText(" 1200 "), QStringLiteral("1200"));
    EXPECT_EQ(wholeNumberText(" 12.5 "), QStringLiteral("12"));
    EXPECT_EQ(wholeNumberText("-0007"), QStringLiteral("-7"));
    EXPECT_EQ(wholeNumberText("-0.2"), QStringLiteral("0"));
    EXPECT_EQ(wholeNumberText("abc"), std::nullopt);
}
