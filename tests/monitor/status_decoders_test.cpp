#include <gtest/gtest.h>

#include <QStringList>

#include "support/qt_printers.h"

#include "monitor/status_decoders.h"

namespace {

// Lamps as the given letters, "." for a lamp that is off.
template <size_t N>
QString lit(const std::array<bool, N>& lamps, const char* letters) {
    QString s;
    for (size_t i = 0; i < N; ++i) {
        s += lamps[i] ? QChar(letters[i]) : QChar('.');
    }
    return s;
}

TEST(StatusDecoders, MotionStatusTextAndLamps) {
    // The word, its text and its lamps.
    const std::tuple<int32_t, const char*, const char*> cases[] = {
        {0, "IDLE", "....."},
        {1, "CONST", "....."},
        {3, "ACCEL", "....."},  // acceleration outranks constant
        {5, "DECEL", "....."},
        {195, "+LIM ERR", "....."},
        {71, "-LIM ERR", "....."},  // the limit error outranks ramps
        {40, "IDLE", "+H..."},
        {16, "IDLE", "..-.."},
        {768, "IDLE", "...ZL"},
        {256, "IDLE", "....L"},
        {1024 + 2048, "IDLE", "....."},  // bits 10 up are not shown
        {(1 << 24) + 2, "ACCEL", "....."},
        {-1, "IDLE", "....."},  // a negative word has no bits
    };
    for (const auto& [m, text, lamps] : cases) {
        const MotionStatus s = decodeMotionStatus(m);
        EXPECT_EQ(s.text, text) << m;
        EXPECT_EQ(lit(std::array{s.posLimit, s.home, s.negLimit, s.zIndex, s.latchInput}, "+H-ZL"),
                  lamps)
            << m;
    }
}

TEST(StatusDecoders, PosGuardTextsAndUnknownCodes) {
    const QStringList texts = {"IDLE",      "MOVING",  "CORRECTING", "STOPPING",  "ABORTING",
                               "JOGGING",   "HOMING",  "Z-HOMING",   "ERR-RANGE", "ERR-ATMPT",
                               "ERR-STALL", "ERR-LIM", "NA"};
    for (int32_t s = -1; s <= 13; ++s) {
        EXPECT_EQ(posGuardText(s), s >= 0 && s <= 12 ? std::optional(texts[s]) : std::nullopt) << s;
    }
}

// The bit words of the inputs and outputs, the on/off flags, the move mode and the latch and
// sync state codes, over one set of values.
TEST(StatusDecoders, BitWordsFlagsAndStateCodes) {
    // The value; the inputs and outputs it lights; flagOn, and "INC"; the latch and sync state
    // text, and what the latch state does to its box.
    const std::tuple<int32_t, const char*, const char*, bool, const char*, CheckMark> cases[] = {
        {0, "......", "...", false, "OFF", CheckMark::Clear},
        {1, "1.....", "1..", true, "WAITING", CheckMark::Tick},
        {2, ".2....", ".2.", false, "ON", CheckMark::Tick},
        {3, "12....", "12.", false, "3", CheckMark::Unchanged},
        {6, ".23...", ".23", false, "6", CheckMark::Unchanged},
        {8, "...4..", "...", false, "8", CheckMark::Unchanged},
        {33, "1....6", "1..", false, "33", CheckMark::Unchanged},
        {63, "123456", "123", false, "63", CheckMark::Unchanged},
        {64, "......", "...", false, "64", CheckMark::Unchanged},
        {-1, "......", "...", false, "-1", CheckMark::Unchanged},  // a negative word has no bits
    };
    for (const auto& [value, inputs, outputs, on, state, latchEnable] : cases) {
        EXPECT_EQ(lit(inputLamps(value), "123456"), inputs) << value;
        EXPECT_EQ(lit(outputLamps(value), "123"), outputs) << value;
        EXPECT_EQ(flagOn(value), on) << value;
        EXPECT_EQ(moveModeText(value), on ? "INC" : "ABS") << value;
        EXPECT_EQ(decodeLatchState(value).text, state) << value;
        EXPECT_EQ(decodeLatchState(value).enable, latchEnable) << value;
        EXPECT_EQ(syncStateText(value), state) << value;
    }
}

}  // namespace
