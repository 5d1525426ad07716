#include "monitor/status_decoders.h"

#include "link/reply_helpers.h"

namespace {

bool bitSet(int32_t value, int bit) {
    const int32_t weight = int32_t{1} << bit;
    return BitAnd(value, weight) == weight;
}

template <size_t N>
std::array<bool, N> lowBits(int32_t value) {
    std::array<bool, N> bits{};
    for (size_t i = 0; i < N; ++i) {
        bits[i] = bitSet(value, static_cast<int>(i));
    }
    return bits;
}

// The off/waiting/on codes shared by the latch and sync states; other codes show as numbers.
QString armedStateText(int32_t code) {
    switch (code) {
        case 0:
            return QStringLiteral("OFF");
        case 1:
            return QStringLiteral("WAITING");
        case 2:
            return QStringLiteral("ON");
        default:
            return QString::number(code);
    }
}

}  // namespace

MotionStatus decodeMotionStatus(int32_t m) {
    // The order matters: a later text overwrites an earlier one, so the limit errors win over
    // the ramp phases and deceleration over acceleration.
    MotionStatus s;
    s.text = QStringLiteral("IDLE");
    if (bitSet(m, 0)) {
        s.text = QStringLiteral("CONST");
    }
    if (bitSet(m, 1)) {
        s.text = QStringLiteral("ACCEL");
    }
    if (bitSet(m, 2)) {
        s.text = QStringLiteral("DECEL");
    }
    s.posLimit = bitSet(m, 5);
    s.home = bitSet(m, 3);
    s.negLimit = bitSet(m, 4);
    if (bitSet(m, 6)) {
        s.text = QStringLiteral("-LIM ERR");
    }
    if (bitSet(m, 7)) {
        s.text = QStringLiteral("+LIM ERR");
    }
    s.latchInput = bitSet(m, 8);
    s.zIndex = bitSet(m, 9);
    return s;
}

std::optional<QString> posGuardText(int32_t s) {
    static const char* const kTexts[] = {
        "IDLE",     "MOVING",    "CORRECTING", "STOPPING",  "ABORTING", "JOGGING", "HOMING",
        "Z-HOMING", "ERR-RANGE", "ERR-ATMPT",  "ERR-STALL", "ERR-LIM",  "NA",
    };
    constexpr int32_t kCount = sizeof kTexts / sizeof kTexts[0];
    if (s < 0 || s >= kCount) {
        return std::nullopt;
    }
    return QString::fromLatin1(kTexts[s]);
}

LatchState decodeLatchState(int32_t l) {
    LatchState state{armedStateText(l), CheckMark::Unchanged};
    if (l == 0) {
        state.enable = CheckMark::Clear;
    } else if (l == 1 || l == 2) {
        state.enable = CheckMark::Tick;
    }
    return state;
}

QString syncStateText(int32_t y) {
    return armedStateText(y);
}

std::array<bool, 6> inputLamps(int32_t d) {
    return lowBits<6>(d);
}

std::array<bool, 3> outputLamps(int32_t o) {
    return lowBits<3>(o);
}

bool flagOn(int32_t value) {
    return value == 1;
}

QString moveModeText(int32_t value) {
    return value == 1 ? QStringLiteral("INC") : QStringLiteral("ABS");
}
