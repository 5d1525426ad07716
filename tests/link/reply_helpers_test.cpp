#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include "link/reply_helpers.h"

// Bit 23 of an input above 2^24 does not count; a negative input contributes no bits.
TEST(BitLogic, WorksOverBits23To0Only) {
    const int32_t b23 = 1 << 23, b24 = 1 << 24, big = b24 + b23 + 1, all = b24 - 1;
    const struct {
        int32_t a, b, andResult, orResult;
    } cases[] = {
        {37, 4, 4, 37},
        {37, 2, 0, 39},
        {1, 4, 0, 5},
        {big, b23 + 1, 1, b23 + 1},
        {all, all, all, all},
        {-1, 5, 0, 5},
        {-1, -1, 0, 0},
        {b24, b24, 0, 0},
        {INT32_MAX, 0, 0, b23 - 1},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(BitAnd(c.a, c.b), c.andResult) << c.a << " & " << c.b;
        EXPECT_EQ(BitOr(c.a, c.b), c.orResult) << c.a << " | " << c.b;
    }
    // Inside the device's range they are the ordinary operators.
    for (int32_t a = 0; a < 1 << 24; a += 104729) {
        for (int32_t b = 7; b < 1 << 24; b += 1299709) {
            ASSERT_EQ(BitAnd(a, b), a & b);
            ASSERT_EQ(BitOr(a, b), a | b);
        }
    }
}
