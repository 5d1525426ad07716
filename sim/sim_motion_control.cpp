#include "sim/sim_motion_control.h"

#include "sim/sim_number.h"

namespace {

std::optional<bool> onOff(const QString& word) {
    if (word == QLatin1String("on") || word == QLatin1String("1")) {
        return true;
    }
    if (word == QLatin1String("off") || word == QLatin1String("0")) {
        return false;
    }
    return std::nullopt;
}

QString error(const char* usage) {
    return QStringLiteral("error: usage '%1'").arg(QLatin1String(usage));
}

QString input(SimMotion& motion, const QStringList& args) {
    const auto number = args.size() == 2 ? deviceNumber(args[0], 1, 6) : std::nullopt;
    const auto on = args.size() == 2 ? onOff(args[1]) : std::nullopt;
    if (!number || !on) {
        return error("input ID N on|off (N 1..6)");
    }
    motion.setInput(int(*number), *on);
    return QStringLiteral("ok");
}

QString latch(SimMotion& motion, const QStringList& args, qint64 nowMs) {
    const auto on = args.size() == 1 ? onOff(args[0]) : std::nullopt;
    if (!on) {
        return error("latch ID on|off");
    }
    motion.setLatchInput(*on, nowMs);
    return QStringLiteral("ok");
}

QString limit(SimMotion& motion, const QStringList& args) {
    const bool plus = args.size() == 2 && args[0] == QLatin1String("+");
    const bool minus = args.size() == 2 && args[0] == QLatin1String("-");
    const auto at = plus || minus ? deviceNumber(args[1], kInt32Min, kInt32Max) : std::nullopt;
    SimWorld& w = motion.world;
    if (!at || (plus && *at <= w.minusLimit) || (minus && *at >= w.plusLimit)) {
        return error("limit ID +|- POS (+ limit above - limit)");
    }
    (plus ? w.plusLimit : w.minusLimit) = *at;
    return QStringLiteral("ok");
}

QString home(SimMotion& motion, const QStringList& args) {
    const auto at = args.size() == 1 ? deviceNumber(args[0], kInt32Min, kInt32Max) : std::nullopt;
    if (!at) {
        return error("home ID POS");
    }
    motion.world.home = *at;
    return QStringLiteral("ok");
}

QString index(SimMotion& motion, const QStringList& args) {
    const auto every = args.size() == 1 ? deviceNumber(args[0], 1, kInt32Max) : std::nullopt;
    if (!every) {
        return error("index ID N (N >= 1)");
    }
    motion.world.indexEvery = *every;
    return QStringLiteral("ok");
}

}  // namespace

std::optional<QString> motionControl(SimMotion& motion, const QString& verb,
                                     const QStringList& args, qint64 nowMs) {
    if (verb == QLatin1String("input")) {
        return input(motion, args);
    }
    if (verb == QLatin1String("latch")) {
        return latch(motion, args, nowMs);
    }
    if (verb == QLatin1String("limit")) {
        return limit(motion, args);
    }
    if (verb == QLatin1String("home")) {
        return home(motion, args);
    }
    if (verb == QLatin1String("index")) {
        return index(motion, args);
    }
    return std::nullopt;
}
