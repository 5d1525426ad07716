#include "cli/status_text.h"

namespace {

QString flag(const std::optional<bool>& value) {
    return value ? (*value ? QStringLiteral("1") : QStringLiteral("0")) : QString();
}

// The status as named values, for JSON and CSV alike; empty for what was never read.
QList<QPair<QString, QString>> statusFields(const DeviceStatus& s) {
    const auto motion = [&s](bool MotionStatus::*lamp) {
        return s.motion ? flag(s.motion.value().*lamp) : QString();
    };
    QList<QPair<QString, QString>> f{
        {"encoder", valueText(s.encoder)},
        {"position", valueText(s.position)},
        {"delta", valueText(s.delta)},
        {"speed", valueText(s.speed)},
        {"latch_position", valueText(s.latchPosition)},
        {"latch_encoder", valueText(s.latchEncoder)},
        {"latch", s.latch ? s.latch->text : QString()},
        {"sync", valueText(s.sync)},
        {"current", s.current ? QString::number(*s.current) : QString()},
        {"status", s.motion ? s.motion->text : QString()},
        {"pos_limit", motion(&MotionStatus::posLimit)},
        {"home", motion(&MotionStatus::home)},
        {"neg_limit", motion(&MotionStatus::negLimit)},
        {"z_index", motion(&MotionStatus::zIndex)},
        {"latch_input", motion(&MotionStatus::latchInput)},
        {"pos_guard", valueText(s.posGuard)},
    };
    for (int i = 0; i < 6; ++i) {
        f.append({kInputs[i].toLower(), s.inputs ? flag((*s.inputs)[size_t(i)]) : QString()});
    }
    for (int i = 0; i < 3; ++i) {
        f.append({kOutputs[i].toLower(), s.outputs ? flag((*s.outputs)[size_t(i)]) : QString()});
    }
    f.append({"s_curve", flag(s.sCurve)});
    f.append({"enabled", flag(s.enabled)});
    f.append({"mode", valueText(s.moveMode)});
    return f;
}

// A CSV field: quoted when it holds a separator, a quote or a line break.
QString csvField(QString value) {
    if (value.contains(QLatin1Char(',')) || value.contains(QLatin1Char('"')) ||
        value.contains(QLatin1Char('\n')) || value.contains(QLatin1Char('\r'))) {
        value = QLatin1Char('"') + value.replace(QLatin1Char('"'), QLatin1String("\"\"")) +
                QLatin1Char('"');
    }
    return value;
}

}  // namespace

QString onOff(bool on) {
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

QString motionText(const MotionStatus& m) {
    return QStringLiteral("%1 [%2]").arg(
        m.text, lampsOn(std::array<bool, 5>{m.posLimit, m.home, m.negLimit, m.zIndex, m.latchInput},
                        {"+L", "H", "-L", "Z", "In"}));
}

// One reply as the status panel would show it.
QString decoded(const QString& command, const QString& reply, const DeviceStatus& s) {
    if (command == QLatin1String("MST") && s.motion) {
        return motionText(*s.motion);
    }
    if (command == QLatin1String("SLS") && s.posGuard) {
        return *s.posGuard;
    }
    if (command == QLatin1String("LTS") && s.latch) {
        return s.latch->text;
    }
    if (command == QLatin1String("SYNS") && s.sync) {
        return *s.sync;
    }
    if (command == QLatin1String("DI") && s.inputs) {
        return lampsOn(*s.inputs, kInputs);
    }
    if (command == QLatin1String("DO") && s.outputs) {
        return lampsOn(*s.outputs, kOutputs);
    }
    if (command == QLatin1String("SCV") && s.sCurve) {
        return onOff(*s.sCurve);
    }
    if (command == QLatin1String("EO") && s.enabled) {
        return onOff(*s.enabled);
    }
    if (command == QLatin1String("MM") && s.moveMode) {
        return *s.moveMode;
    }
    return reply;
}

QString valueText(const std::optional<QString>& value) {
    return value.value_or(QString());
}

QJsonObject statusJson(const DeviceStatus& s) {
    QJsonObject o;
    for (const auto& [name, value] : statusFields(s)) {
        o.insert(name, value.isEmpty() ? QJsonValue() : QJsonValue(value));
    }
    return o;
}

QString csvHeader(bool withId) {
    QStringList names{"ms"};
    if (withId) {
        names << "id";
    }
    names << "communication";
    for (const auto& f : statusFields(DeviceStatus{})) {
        names << f.first;
    }
    return names.join(QLatin1Char(','));
}

QString csvRow(qint64 ms, const QString& id, bool communicating, const DeviceStatus& s) {
    QStringList values{QString::number(ms)};
    if (!id.isEmpty()) {
        values << id;
    }
    values << (communicating ? "1" : "0");
    for (const auto& f : statusFields(s)) {
        values << csvField(f.second);
    }
    return values.join(QLatin1Char(','));
}
