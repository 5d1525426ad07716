#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include "main_window/status_decoders.h"

namespace {

TEST(StatusDecoders, MotionStatusTextAndLamps) {
    const struct {
        int32_t m;
        const char* text;
        bool posLimit, home, negLimit, zIndex, latchInput;
    } cases[] = {
        {0, "IDLE", false, false, false, false, false},
        {1, "CONST", false, false, false, false, false},
        {3, "ACCEL", false, false, false, false, false},  // acceleration outranks constant
        {5, "DECEL", false, false, false, false, false},
        {195, "+LIM ERR", false, false, false, false, false},
        {71, "-LIM ERR", false, false, false, false, false},  // the limit error outranks ramps
        {40, "IDLE", true, true, false, false, false},
        {16, "IDLE", false, false, true, false, false},
        {768, "IDLE", false, false, false, true, true},
        {256, "IDLE", false, false, false, false, true},
        {1024 + 2048, "IDLE", false, false, false, false, false},  // bits 10 up are not shown
        {(1 << 24) + 2, "ACCEL", false, false, false, false, false},
        {-1, "IDLE", false, false, false, false, false},  // a negative word has no bits
    };
    for (const auto& c : cases) {
        const MotionStatus s = decodeMotionStatus(c.m);
        EXPECT_EQ(s.text, c.text) << c.m;
        EXPECT_EQ(s.posLimit, c.posLimit) << c.m;
        EXPECT_EQ(s.home, c.home) << c.m;
        EXPECT_EQ(s.negLimit, c.negLimit) << c.m;
        EXPECT_EQ(s.zIndex, c.zIndex) << c.m;
        EXPECT_EQ(s.latchInput, c.latchInput) << c.m;
    }
}

TEST(StatusDecoders, PosGuardTextsAndUnknownCodes) {
    const char* texts[] = {"IDLE",      "MOVING",  "CORRECTING", "STOPPING",  "ABORTING",
                           "JOGGING",   "HOMING",  "Z-HOMING",   "ERR-RANGE", "ERR-ATMPT",
                           "ERR-STALL", "ERR-LIM", "NA"};
    for (int32_t s = 0; s <= 12; ++s) {
        EXPECT_EQ(posGuardText(s), std::optional<QString>(texts[s])) << s;
    }
    for (int32_t s : {13, 100, -1}) {
        EXPECT_EQ(posGuardText(s), std::nullopt) << s;
    }
}

TEST(StatusDecoders, LatchAndSyncStates) {
    const struct {
        int32_t value;
        const char* text;
        CheckMark latchEnable;
    } cases[] = {
        {0, "OFF", CheckMark::Clear},     {1, "WAITING", CheckMark::Tick},
        {2, "ON", CheckMark::Tick},       {3, "3", CheckMark::Unchanged},
        {-4, "-4", CheckMark::Unchanged},
    };
    for (const auto& c : cases) {
        const LatchState latch = decodeLatchState(c.value);
        EXPECT_EQ(latch.text, c.text) << c.value;
        EXPECT_EQ(latch.enable, c.latchEnable) << c.value;
        EXPECT_EQ(syncStateText(c.value), c.text) << c.value;
    }
}

TEST(StatusDecoders, InputAndOutputBits) {
    using In = std::array<bool, 6>;
    using Out = std::array<bool, 3>;
    const struct {
        int32_t value;
        In inputs;
        Out outputs;
    } cases[] = {
        {33, {true, false, false, false, false, true}, {true, false, false}},
        {64, {false, false, false, false, false, false}, {false, false, false}},
        {63, {true, true, true, true, true, true}, {true, true, true}},
        {6, {false, true, true, false, false, false}, {false, true, true}},
        {8, {false, false, false, true, false, false}, {false, false, false}},
        {-1, {false, false, false, false, false, false}, {false, false, false}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(inputLamps(c.value), c.inputs) << c.value;
        EXPECT_EQ(outputLamps(c.value), c.outputs) << c.value;
    }
}

TEST(StatusDecoders, FlagsAndMoveMode) {
    const struct {
        int32_t value;
        bool on;
        const char* mode;
    } cases[] = {{1, true, "INC"},
                 {0, false, "ABS"},
                 {2, false, "ABS"},
                 {-1, false, "ABS"},
                 {3, false, "ABS"}};
    for (const auto& c : cases) {
        EXPECT_EQ(flagOn(c.value), c.on) << c.value;
        EXPECT_EQ(moveModeText(c.value), c.mode) << c.value;
    }
}

}  // namespace
