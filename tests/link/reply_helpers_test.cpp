#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include "link/reply_helpers.h"

TEST(StripReplyPrefix, DropsHashAndAddressOnly) {
    const struct {
        const char* in;
        const char* out;
    } cases[] = {
        {"#07V322", "V322"}, {"V322", "V322"}, {"#0", ""}, {"#07", ""}, {"", ""},
        {"#07#01X", "#01X"}, {"a#07", "a#07"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(StripReplyPrefix(QString::fromLatin1(c.in)), QString::fromLatin1(c.out)) << c.in;
    }
}

TEST(BitLogic, WorksOverBits23To0Only) {
    const int32_t big = (1 << 24) + (1 << 23) + 1;
    const struct {
        int32_t a, b, andResult, orResult;
    } cases[] = {
        {37, 4, 4, 37},
        {37, 2, 0, 39},
        {1, 4, 0, 5},
        {big, (1 << 23) + 1, 1, (1 << 23) + 1},  // bit 23 of an input above 2^24 does not count
        {16777215, 16777215, 16777215, 16777215},
        {-1, 5, 0, 5},  // a negative input contributes no bits
        {-1, -1, 0, 0},
        {1 << 24, 1 << 24, 0, 0},
        {INT32_MAX, 0, 0, (1 << 23) - 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BitAnd(c.a, c.b), c.andResult) << c.a << " & " << c.b;
        EXPECT_EQ(BitOr(c.a, c.b), c.orResult) << c.a << " | " << c.b;
    }
}

TEST(BitLogic, MatchesOrdinaryOperatorsInTheDeviceRange) {
    for (int32_t a = 0; a < 16777216; a += 104729) {
        for (int32_t b = 7; b < 16777216; b += 1299709) {
            ASSERT_EQ(BitAnd(a, b), a & b);
            ASSERT_EQ(BitOr(a, b), a | b);
        }
    }
}
