// The command side of SimMotion: which texts it answers and how.
#include <cmath>

#include "sim/sim_motion.h"
#include "sim/sim_number.h"

namespace {

const QString kOk = QStringLiteral("OK");

// Speeds and rates the device accepts.
constexpr qint64 kMaxSpeed = 3'000'000;
constexpr qint64 kMaxRate = 1'000'000'000;

}  // namespace

std::optional<QString> SimMotion::handle(const QString& command, qint64 nowMs) {
    run(nowMs);
    std::optional<QString> reply = this->command(command);
    if (!reply) {
        const qsizetype eq = command.indexOf(QLatin1Char('='));
        reply = eq < 0 ? readKey(command) : writeKey(command.left(eq), command.mid(eq + 1));
    }
    if (!reply) {
        reply = prefixed(command);
    }
    // A motion that starts on a limit switch it runs into ends at once, before the next poll.
    run(nowMs);
    return reply;
}

// Commands that are a fixed word.
std::optional<QString> SimMotion::command(const QString& text) {
    // The jog and homing commands: they need an enabled motor at rest.
    struct Start {
        const char* word;
        int direction;
        std::optional<HomingKind> homing;  // none: jog
    };
    static const Start starts[] = {
        {"J+", 1, {}},
        {"J-", -1, {}},
        {"H+", 1, HomingKind::Home},
        {"H-", -1, HomingKind::Home},
        {"HL+", 1, HomingKind::HomeOrReverse},
        {"HL-", -1, HomingKind::HomeOrReverse},
        {"L+", 1, HomingKind::Limit},
        {"L-", -1, HomingKind::Limit},
        {"ZH+", 1, HomingKind::HomeThenIndex},
        {"ZH-", -1, HomingKind::HomeThenIndex},
        {"Z+", 1, HomingKind::Index},
        {"Z-", -1, HomingKind::Index},
    };
    for (const Start& s : starts) {
        if (text != QLatin1String(s.word)) {
            continue;
        }
        if (const auto no = refusal()) {
            return no;
        }
        s.homing ? startHoming(*s.homing, s.direction) : startJog(s.direction);
        return kOk;
    }
    struct Entry {
        const char* word;
        QString (*act)(SimMotion&);
    };
    static const Entry others[] = {
        {"STOP", [](SimMotion& m) { return m.stop(), kOk; }},
        {"ABORT", [](SimMotion& m) { return m.abort(), kOk; }},
        {"ABS", [](SimMotion& m) { return m.state_.profile.incremental = false, kOk; }},
        {"INC", [](SimMotion& m) { return m.state_.profile.incremental = true, kOk; }},
        {"CLR", [](SimMotion& m) { return m.clearErrors(), kOk; }},
        {"SYNO", [](SimMotion& m) { return m.armSync(); }},
        {"SYNF", [](SimMotion& m) { return m.state_.sync.disarm(), kOk; }},
    };
    for (const Entry& e : others) {
        if (text == QLatin1String(e.word)) {
            return e.act(*this);
        }
    }
    return std::nullopt;
}

std::optional<QString> SimMotion::refusal() const {
    if (!state_.enabled) {
        return QString::fromLatin1(kDisabled);
    }
    if (state_.activity != Activity::Idle) {
        return QString::fromLatin1(kBusy);
    }
    return std::nullopt;
}

std::optional<QString> SimMotion::readKey(const QString& key) const {
    struct Entry {
        const char* key;
        qint64 (*read)(const SimMotion&);
    };
    static const Entry table[] = {
        {"HSPD", [](const SimMotion& m) { return m.state_.profile.highSpeed; }},
        {"LSPD", [](const SimMotion& m) { return m.state_.profile.lowSpeed; }},
        {"ACC", [](const SimMotion& m) { return m.state_.profile.accel; }},
        {"DEC", [](const SimMotion& m) { return m.state_.profile.decel; }},
        {"SCV", [](const SimMotion& m) { return qint64{m.state_.profile.sCurve}; }},
        {"MM", [](const SimMotion& m) { return qint64{m.state_.profile.incremental}; }},
        {"SSPDM", [](const SimMotion& m) { return m.state_.profile.speedMode; }},
        {"PX", [](const SimMotion& m) { return m.position(); }},
        {"EX", [](const SimMotion& m) { return m.encoder(); }},
        {"PS", [](const SimMotion& m) { return qint64(std::llround(m.state_.axis.speed())); }},
        {"DX", [](const SimMotion& m) { return m.lag(); }},
        {"CUR", [](const SimMotion& m) { return m.current(); }},
        {"MST", [](const SimMotion& m) { return m.statusWord(); }},
        {"SLS", [](const SimMotion& m) { return m.guardState(); }},
        {"EO", [](const SimMotion& m) { return qint64{m.state_.enabled}; }},
        {"DI", [](const SimMotion& m) { return qint64{m.world.inputs & 0x3f}; }},
        {"DO", [](const SimMotion& m) { return qint64{m.state_.outputs}; }},
        {"DO1", [](const SimMotion& m) { return qint64{m.state_.outputs & 1}; }},
        {"DO2", [](const SimMotion& m) { return qint64{(m.state_.outputs >> 1) & 1}; }},
        {"DO3", [](const SimMotion& m) { return qint64{(m.state_.outputs >> 2) & 1}; }},
        {"LT", [](const SimMotion& m) { return qint64{m.state_.latch.state() != SimLatch::Off}; }},
        {"LTS", [](const SimMotion& m) { return qint64{m.state_.latch.state()}; }},
        {"LTP", [](const SimMotion& m) { return m.state_.latch.position(); }},
        {"LTE", [](const SimMotion& m) { return m.state_.latch.encoder(); }},
        {"SYNS", [](const SimMotion& m) { return qint64{m.state_.sync.state()}; }},
    };
    for (const Entry& e : table) {
        if (key == QLatin1String(e.key)) {
            return QString::number(e.read(*this));
        }
    }
    return std::nullopt;
}

std::optional<QString> SimMotion::writeKey(const QString& key, const QString& value) {
    struct Entry {
        const char* key;
        qint64 min;
        qint64 max;
        QString (*write)(SimMotion&, qint64);
    };
    static const Entry table[] = {
        {"HSPD", 1, kMaxSpeed,
         [](SimMotion& m, qint64 v) { return m.state_.profile.highSpeed = v, kOk; }},
        {"LSPD", 1, kMaxSpeed,
         [](SimMotion& m, qint64 v) { return m.state_.profile.lowSpeed = v, kOk; }},
        {"ACC", 1, kMaxRate,
         [](SimMotion& m, qint64 v) { return m.state_.profile.accel = v, kOk; }},
        {"DEC", 1, kMaxRate,
         [](SimMotion& m, qint64 v) { return m.state_.profile.decel = v, kOk; }},
        {"SCV", 0, 1, [](SimMotion& m, qint64 v) { return m.state_.profile.sCurve = v, kOk; }},
        {"MM", 0, 1, [](SimMotion& m, qint64 v) { return m.state_.profile.incremental = v, kOk; }},
        {"SSPDM", 0, 8, [](SimMotion& m, qint64 v) { return m.state_.profile.speedMode = v, kOk; }},
        {"PX", kInt32Min, kInt32Max, [](SimMotion& m, qint64 v) { return m.loadCounter(v, true); }},
        {"EX", kInt32Min, kInt32Max,
         [](SimMotion& m, qint64 v) { return m.loadCounter(v, false); }},
        {"EO", 0, 1, [](SimMotion& m, qint64 v) { return m.setEnabled(v == 1), kOk; }},
        {"DO", 0, 7, [](SimMotion& m, qint64 v) { return m.state_.outputs = int(v), kOk; }},
        {"DO1", 0, 1, [](SimMotion& m, qint64 v) { return m.setOutput(0, v == 1), kOk; }},
        {"DO2", 0, 1, [](SimMotion& m, qint64 v) { return m.setOutput(1, v == 1), kOk; }},
        {"DO3", 0, 1, [](SimMotion& m, qint64 v) { return m.setOutput(2, v == 1), kOk; }},
        {"LT", 0, 1, [](SimMotion& m, qint64 v) { return m.state_.latch.arm(v == 1), kOk; }},
    };
    for (const Entry& e : table) {
        if (key == QLatin1String(e.key)) {
            const auto number = deviceNumber(value, e.min, e.max);
            return number ? e.write(*this, *number) : QString::fromLatin1(kBad);
        }
    }
    return std::nullopt;
}

// "X<pos>", "T<pos>" and "SSPD<speed>": a word with its number straight after it.
std::optional<QString> SimMotion::prefixed(const QString& text) {
    struct Entry {
        const char* word;
        QString (SimMotion::*act)(const QString&);
    };
    static const Entry table[] = {
        {"SSPD", &SimMotion::changeSpeed},
        {"X", &SimMotion::moveTo},
        {"T", &SimMotion::changeTarget},
    };
    for (const Entry& e : table) {
        const QLatin1String word(e.word);
        // Another letter after the word makes it another key ("TX..." is not "T" and a number).
        if (text.startsWith(word) &&
            (text.size() == word.size() || !text[word.size()].isLetter())) {
            return (this->*e.act)(text.mid(word.size()));
        }
    }
    return std::nullopt;
}

QString SimMotion::moveTo(const QString& text) {
    if (const auto no = refusal()) {
        return *no;
    }
    const auto number = deviceNumber(text, kInt32Min, kInt32Max);
    const qint64 target = number.value_or(0) + (state_.profile.incremental ? position() : 0);
    if (!number || target < kInt32Min || target > kInt32Max) {
        return QString::fromLatin1(kBad);
    }
    startMove(double(target - state_.positionOffset));
    return kOk;
}

// A new target for the move under way (always an absolute position).
QString SimMotion::changeTarget(const QString& text) {
    const auto number = deviceNumber(text, kInt32Min, kInt32Max);
    if (!number) {
        return QString::fromLatin1(kBad);
    }
    if (state_.activity != Activity::Moving) {
        return QString::fromLatin1(kNotMoving);
    }
    steerTo(double(*number - state_.positionOffset));
    return kOk;
}

// A new top speed for the move or jog under way; it ramps there at "ACC" (up) or "DEC" (down).
QString SimMotion::changeSpeed(const QString& text) {
    const auto speed = deviceNumber(text, 1, kMaxSpeed);
    if (!speed) {
        return QString::fromLatin1(kBad);
    }
    if (state_.activity != Activity::Moving && state_.activity != Activity::Jogging) {
        return QString::fromLatin1(kNotMoving);
    }
    state_.runSpeed = double(*speed);
    if (state_.activity == Activity::Moving) {
        steerTo(state_.target);
    } else {
        const RampLimits r = limits(state_.runSpeed);
        state_.axis.follow(state_.axis.direction(), planRun(state_.axis.speed(), r.topSpeed, r));
    }
    return kOk;
}

// Arms the sync output with the comparison and position stored under "SYNC" and "SYNP".
QString SimMotion::armSync() {
    const auto comparison = deviceNumber(parameters_.parameter(QStringLiteral("SYNC")), 1, 3);
    const auto at =
        deviceNumber(parameters_.parameter(QStringLiteral("SYNP")), kInt32Min, kInt32Max);
    if (!comparison || !at) {
        return QString::fromLatin1(kBad);
    }
    state_.sync.arm(SimSync::Comparison(*comparison), *at);
    state_.sync.check(counterPosition(), counterPosition());
    return kOk;
}

QString SimMotion::loadCounter(qint64 value, bool position) {
    if (state_.activity != Activity::Idle) {
        return QString::fromLatin1(kBusy);
    }
    const qint64 at = std::llround(state_.axis.position());
    (position ? state_.positionOffset : state_.encoderOffset) = value - at;
    return kOk;
}
