#include "sim/sim_device.h"

#include <array>

namespace {

constexpr std::array<int, 5> kBauds{9600, 19200, 38400, 57600, 115200};

// Keys that are read back as stored and written with "KEY=value" -> "OK".
QMap<QString, QString> defaultValues(int id, int baud) {
    const QString two = QStringLiteral("%1").arg(id, 2, 10, QLatin1Char('0'));
    return {
        {"POL", "0"},
        {"LCA", "300"},
        {"RZ", "0"},
        {"EDEC", "0"},
        {"EDO", "0"},
        {"DOBOOT", "0"},
        {"EOBOOT", "0"},
        {"CURR", "1500"},
        {"CURI", "500"},
        {"CURT", "500"},
        {"SL", "0"},
        {"SLT", "10"},
        {"SLE", "500"},
        {"SLA", "3"},
        {"SLR", "2"},
        {"SLH", "1000"},
        {"SLI", "100"},
        {"RT", "0"},
        {"CM", "1"},
        {"DB", QString::number(baudCode(baud))},
        {"BR", "5"},
        {"DN", "KRB" + two},
        {"NID", QString::number(id)},
        {"AR", "0"},
        {"SYNC", "1"},
        {"SYNP", "0"},
    };
}

bool isKey(const QString& text) {
    if (text.isEmpty()) {
        return false;
    }
    for (QChar c : text) {
        if (!(c.isUpper() || c.isDigit())) {
            return false;
        }
    }
    return true;
}

// The communication settings accept only values the device can work with; a write of any other
// value is refused and changes nothing.
bool acceptable(const QString& key, const QString& value) {
    bool ok = false;
    const int n = value.toInt(&ok);
    if (key == QLatin1String("DN")) {
        const int id = value.mid(3).toInt(&ok);
        return value.size() == 5 && value.startsWith(QLatin1String("KRB")) && ok && id >= 1 &&
               id <= 99;
    }
    if (key == QLatin1String("CM")) {
        return ok && n >= 0 && n <= 2;
    }
    if (key == QLatin1String("DB")) {
        return ok && n >= 1 && n <= 5;
    }
    if (key == QLatin1String("BR")) {
        return ok && n >= 1 && n <= 9;
    }
    if (key == QLatin1String("NID")) {
        return ok && n >= 1 && n <= 127;
    }
    return true;
}

}  // namespace

int baudCode(int baud) {
    for (size_t i = 0; i < kBauds.size(); ++i) {
        if (kBauds[i] == baud) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

int baudFromCode(int code) {
    return code >= 1 && code <= 5 ? kBauds[static_cast<size_t>(code - 1)] : 0;
}

SimDevice::SimDevice(int id, int baud)
    : values(defaultValues(id, baud)), motion(*this), id_(id), baud_(baud) {
    flash = values;
}

QString SimDevice::address() const {
    return QStringLiteral("%1").arg(id_, 2, 10, QLatin1Char('0'));
}

bool SimDevice::prefixReplies() const {
    return forcePrefix || values.value("RT") == "1";
}

std::optional<QString> SimDevice::handle(const QString& command, qint64 nowMs) {
    if (faults.silent) {
        return std::nullopt;
    }
    if (auto reply = motion.handle(command, nowMs)) {
        return reply;
    }
    const int eq = command.indexOf(QLatin1Char('='));
    if (eq >= 0) {
        return write(command.left(eq), command.mid(eq + 1), nowMs);
    }
    return read(command, nowMs);
}

std::optional<QString> SimDevice::read(const QString& key, qint64) {
    if (key == QLatin1String("ID")) {
        return identity;
    }
    if (key == QLatin1String("VER")) {
        return version;
    }
    if (key == QLatin1String("STORE")) {
        flash = values;
        return QStringLiteral("OK");
    }
    if (values.contains(key)) {
        return values.value(key);
    }
    return QStringLiteral("?");
}

std::optional<QString> SimDevice::write(const QString& key, const QString& value, qint64) {
    if (!isKey(key) || !values.contains(key) || !acceptable(key, value)) {
        return QStringLiteral("?");
    }
    // Read back at once; how the device is reached changes only at the next power cycle.
    values[key] = value;
    return QStringLiteral("OK");
}

std::optional<QString> SimDevice::advanceTo(qint64 nowMs) {
    return motion.advanceTo(nowMs);
}

void SimDevice::powerCycle(qint64 nowMs) {
    values = flash;
    const QString name = values.value("DN");
    bool ok = false;
    const int id = name.mid(3).toInt(&ok);
    if (name.startsWith(QLatin1String("KRB")) && ok && id >= 1 && id <= 99) {
        id_ = id;
    }
    if (const int baud = baudFromCode(values.value("DB").toInt()); baud != 0) {
        baud_ = baud;
    }
    method_ = values.value("CM").toInt();
    motion.powerCycle(nowMs);
}

int SimFaults::takeLateness(const QString& command) {
    for (qsizetype i = 0; i < late.size(); ++i) {
        if (late[i].command == command) {
            const int ms = late[i].ms;
            if (--late[i].count <= 0) {
                late.removeAt(i);
            }
            return ms;
        }
    }
    return 0;
}
