#include "device/parameter_file.h"

#include <QStringList>
#include <array>
#include <functional>

#include "files/text_lines.h"
#include "files/whole_file.h"
#include "link/number_form.h"

namespace {

using Values = ParameterFileValues;

QString orZero(const QString& text) {
    return text.isEmpty() ? QStringLiteral("0") : text;
}

// Check-box states on lines 18 and 21 keep the old number form: a blank on each side.
QString paddedFlag(bool on) {
    return on ? QStringLiteral(" 1 ") : QStringLiteral(" 0 ");
}

QString flag(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

// A line of the file cannot hold a line break: a text with one (a pasted block, a device reply
// with a line feed) would push every later value onto the wrong line. Each becomes a blank.
QString oneLine(QString text) {
    for (QChar& c : text) {
        if (c == QLatin1Char('\r') || c == QLatin1Char('\n')) {
            c = QLatin1Char(' ');
        }
    }
    return text;
}

// Reads one line into the values; false when the line cannot be used.
using LineRule = std::function<bool(const QString&, Values&)>;

LineRule text(QString Values::*field) {
    return [field](const QString& line, Values& v) {
        v.*field = line;
        return true;
    };
}

LineRule number(void (*set)(int32_t, Values&)) {
    return [set](const QString& line, Values& v) {
        const std::optional<int32_t> n = readInt32(line);
        if (n) {
            set(*n, v);
        }
        return n.has_value();
    };
}

LineRule checkBox(bool Values::*field) {
    return [field](const QString& line, Values& v) {
        const std::optional<int32_t> n = readInt32(line);
        if (!n || (*n != 0 && *n != 1)) {
            return false;
        }
        v.*field = *n == 1;
        return true;
    };
}

// An item of the list; an empty line clears the selection when the list may have none.
LineRule listItem(QString Values::*field, QStringList (*items)(), bool mayBeEmpty) {
    return [=](const QString& line, Values& v) {
        if (!(mayBeEmpty && line.isEmpty()) && !items().contains(line)) {
            return false;
        }
        v.*field = line;
        return true;
    };
}

const std::array<LineRule, kParameterFileLines>& lineRules() {
    static const std::array<LineRule, kParameterFileLines> rules{
        number([](int32_t n, Values& v) { v.polarity = n; }),
        text(&Values::LCA),
        checkBox(&Values::posGuardEnable),
        text(&Values::runCurrent),
        text(&Values::idleCurrent),
        text(&Values::idleTime),
        text(&Values::posGuardTolerance),
        text(&Values::posGuardErrorRange),
        text(&Values::posGuardMaxAttempt),
        text(&Values::posGuardHighSpeed),
        text(&Values::posGuardIdleTime),
        number([](int32_t n, Values& v) { v.method = methodFromFile(n); }),
        listItem(&Values::deviceId, deviceIdItems, false),
        listItem(&Values::nodeId, nodeIdItems, true),
        listItem(&Values::serialBaud, serialBaudItems, false),
        listItem(&Values::canBitRate, canBitRateItems, true),
        [](const QString&, Values&) { return true; },  // reserved
        checkBox(&Values::edoEnable),
        text(&Values::doBoot),
        text(&Values::eoBoot),
        checkBox(&Values::returnZero),
    };
    return rules;
}

}  // namespace

QByteArray writeParameterFile(const ParameterFileValues& v) {
    const QStringList lines{
        QString::number(polarityWord(polarityFromWord(v.polarity))),
        orZero(v.LCA),
        flag(v.posGuardEnable),
        orZero(v.runCurrent),
        orZero(v.idleCurrent),
        orZero(v.idleTime),
        orZero(v.posGuardTolerance),
        orZero(v.posGuardErrorRange),
        orZero(v.posGuardMaxAttempt),
        orZero(v.posGuardHighSpeed),
        orZero(v.posGuardIdleTime),
        QString::number(static_cast<int>(v.method)),
        v.deviceId,
        v.nodeId,
        v.serialBaud,
        v.canBitRate,
        QStringLiteral("0"),
        paddedFlag(v.edoEnable),
        v.doBoot,
        v.eoBoot,
        paddedFlag(v.returnZero),
    };
    QByteArray bytes;
    for (const QString& line : lines) {
        bytes += oneLine(line).toLatin1() + "\r\n";
    }
    return bytes;
}

ParameterFileRead readParameterFile(const QByteArray& content) {
    ParameterFileRead read;
    const QStringList lines = textLines(content);
    const auto& rules = lineRules();
    for (int i = 0; i < kParameterFileLines && i < lines.size(); ++i) {
        if (!rules[static_cast<size_t>(i)](lines[i], read.values)) {
            break;
        }
        read.usableLines = i + 1;
    }
    return read;
}

std::optional<QString> saveParameterFile(const QString& path, const ParameterFileValues& values) {
    return writeWholeFile(path, writeParameterFile(values));
}

QString unusableLineReason(const QByteArray& content, const ParameterFileRead& read) {
    if (read.usableLines >= kParameterFileLines) {
        return QString();
    }
    const QStringList lines = textLines(content);
    const int line = read.usableLines + 1;
    if (line > lines.size()) {
        return lines.isEmpty() ? QStringLiteral("the file is empty (a parameter file has %1 lines)")
                                     .arg(kParameterFileLines)
                               : QStringLiteral(
                                     "the file ends after line %1 (a parameter file "
                                     "has %2 lines)")
                                     .arg(lines.size())
                                     .arg(kParameterFileLines);
    }
    QString wanted;
    switch (line) {
        case 1:
            wanted = QStringLiteral("no polarity word (a whole number)");
            break;
        case 3:
            wanted = QStringLiteral("no Pos Guard enable (0 or 1)");
            break;
        case 12:
            wanted = QStringLiteral("no communication method (a whole number)");
            break;
        case 13:
            wanted = QStringLiteral("no device ID (\"01\" to \"99\")");
            break;
        case 14:
            wanted = QStringLiteral("no node ID (\"1\" to \"127\", or nothing)");
            break;
        case 15:
            wanted = QStringLiteral("no serial baud rate (%1)").arg(serialBaudItems().join(", "));
            break;
        case 16:
            wanted = QStringLiteral("no CANopen bit rate (%1, or nothing)")
                         .arg(canBitRateItems().join(", "));
            break;
        case 18:
            wanted = QStringLiteral("no Alm/InPos enable (0 or 1)");
            break;
        case 21:
            wanted = QStringLiteral("no RZ enable (0 or 1)");
            break;
        default:
            wanted = QStringLiteral("no usable value");
            break;
    }
    return QStringLiteral("line %1 holds \"%2\", which is %3")
        .arg(QString::number(line), lines[line - 1], wanted);
}
