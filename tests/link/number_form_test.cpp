#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include "link/number_form.h"

namespace {

struct NumberCase {
    const char* text;
    std::optional<int64_t> value;
};

const std::optional<int64_t> none;

// Halves go to the even neighbour.
const NumberCase kShort[] = {
    {"1000", 1000},   {" 1200 ", 1200},   {"\t7\t", 7},       {"00100", 100},   {"+5", 5},
    {"-0", 0},        {"-400", -400},     {"-0007", -7},      {"-0.2", 0},      {"5.", 5},
    {".6", 1},        {"250.5", 250},     {"251.5", 252},     {"1000.5", 1000}, {"1001.5", 1002},
    {"0.5", 0},       {"1.5", 2},         {".5", 0},          {"12.51", 13},    {"12.4999", 12},
    {"12.50001", 13}, {"-1000.5", -1000}, {"-1001.5", -1002}, {"", none},       {"   ", none},
    {"abc", none},    {"?", none},        {"1 000", none},    {"1e3", none},    {"1.2.3", none},
    {"--1", none},    {"+", none},        {".", none},        {"0x10", none},   {"12abc", none},
};

// The edges of the range; 2^64 + 5 must not wrap around to 5; leading zeros are no magnitude.
const NumberCase kLong[] = {
    {"2147483647", 2147483647},
    {"-2147483648", -2147483648LL},
    {"2147483647.4", 2147483647},
    {"2147483647.5", none},
    {"2147483648", none},
    {"-2147483649", none},
    {"9999999999999999999", none},
    {"18446744073709551621", none},
    {"-18446744073709551616", none},
    {"99999999999999999999999999", none},
    {"000000000000000000000000042", 42},
};

}  // namespace

// Each text read as a whole number, and written back as plain decimal of that number.
TEST(NumberForm, ReadsWholeNumbersAndWritesThemAsPlainDecimal) {
    std::vector<NumberCase> cases(std::begin(kShort), std::end(kShort));
    cases.insert(cases.end(), std::begin(kLong), std::end(kLong));
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const QString text = QString::fromLatin1(c.text);
        EXPECT_EQ(readWholeNumber(text), c.value);
        EXPECT_EQ(wholeNumberText(text),
                  c.value ? std::optional(QString::number(*c.value)) : std::nullopt);
    }
    EXPECT_EQ(readWholeNumber("32767", -32768, 32767), 32767);  // a narrower range
    EXPECT_EQ(readWholeNumber("32768", -32768, 32767), std::nullopt);
    EXPECT_EQ(readWholeNumber("-32768.4", -32768, 32767), -32768);
}
