// "info" and "monitor": the main window's identification and status polling without a window.
#include <QElapsedTimer>
#include <QJsonArray>
#include <QJsonObject>
#include <csignal>

#include "cli/cli_common.h"
#include "files/printable_text.h"
#include "files/recording_file.h"
#include "link/messages.h"
#include "monitor/identification.h"
#include "monitor/status_cycle.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void onStopSignal(int) {
    stopRequested = 1;
}

QString onOff(bool on) {
    return on ? QStringLiteral("on") : QStringLiteral("off");
}

// The lamps that are on, by their labels; "-" when none is.
template <size_t N>
QString lampsOn(const std::array<bool, N>& lamps, const QStringList& labels) {
    QStringList on;
    for (size_t i = 0; i < N; ++i) {
        if (lamps[i]) {
            on << labels[static_cast<qsizetype>(i)];
        }
    }
    return on.isEmpty() ? QStringLiteral("-") : on.join(QLatin1Char(' '));
}

QString motionText(const MotionStatus& m) {
    return QStringLiteral("%1 [%2]").arg(
        m.text, lampsOn(std::array<bool, 5>{m.posLimit, m.home, m.negLimit, m.zIndex, m.latchInput},
                        {"+L", "H", "-L", "Z", "In"}));
}

const QStringList kInputs{"DI1", "DI2", "DI3", "DI4", "DI5", "DI6"};
const QStringList kOutputs{"DO1", "DO2", "DO3"};

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

QString text(const std::optional<QString>& value) {
    return value.value_or(QString());
}

QString flag(const std::optional<bool>& value) {
    return value ? (*value ? QStringLiteral("1") : QStringLiteral("0")) : QString();
}

// The status as named values, for JSON and CSV alike; empty for what was never read.
QList<QPair<QString, QString>> statusFields(const DeviceStatus& s) {
    const auto motion = [&s](bool MotionStatus::*lamp) {
        return s.motion ? flag(s.motion.value().*lamp) : QString();
    };
    QList<QPair<QString, QString>> f{
        {"encoder", text(s.encoder)},
        {"position", text(s.position)},
        {"delta", text(s.delta)},
        {"speed", text(s.speed)},
        {"latch_position", text(s.latchPosition)},
        {"latch_encoder", text(s.latchEncoder)},
        {"latch", s.latch ? s.latch->text : QString()},
        {"sync", text(s.sync)},
        {"current", s.current ? QString::number(*s.current) : QString()},
        {"status", s.motion ? s.motion->text : QString()},
        {"pos_limit", motion(&MotionStatus::posLimit)},
        {"home", motion(&MotionStatus::home)},
        {"neg_limit", motion(&MotionStatus::negLimit)},
        {"z_index", motion(&MotionStatus::zIndex)},
        {"latch_input", motion(&MotionStatus::latchInput)},
        {"pos_guard", text(s.posGuard)},
    };
    for (int i = 0; i < 6; ++i) {
        f.append({kInputs[i].toLower(), s.inputs ? flag((*s.inputs)[size_t(i)]) : QString()});
    }
    for (int i = 0; i < 3; ++i) {
        f.append({kOutputs[i].toLower(), s.outputs ? flag((*s.outputs)[size_t(i)]) : QString()});
    }
    f.append({"s_curve", flag(s.sCurve)});
    f.append({"enabled", flag(s.enabled)});
    f.append({"mode", text(s.moveMode)});
    return f;
}

QJsonObject statusJson(const DeviceStatus& s) {
    QJsonObject o;
    for (const auto& [name, value] : statusFields(s)) {
        o.insert(name, value.isEmpty() ? QJsonValue() : QJsonValue(value));
    }
    return o;
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

QString csvHeader() {
    QStringList names{"ms", "communication"};
    for (const auto& f : statusFields(DeviceStatus{})) {
        names << f.first;
    }
    return names.join(QLatin1Char(','));
}

QString csvRow(qint64 ms, bool communicating, const DeviceStatus& s) {
    QStringList values{QString::number(ms), communicating ? "1" : "0"};
    for (const auto& f : statusFields(s)) {
        values << csvField(f.second);
    }
    return values.join(QLatin1Char(','));
}

}  // namespace

int runInfo(const QStringList& args) {
    Output out;
    CommandLine cl(QStringLiteral("info"),
                   QStringLiteral("Identifies the device (\"ID\", \"VER\", \"DN\") and reads "
                                  "every value of the main window's status panel once, decoded."),
                   QString());
    cl.addConnection();
    cl.addJson();
    if (const auto end = cl.parse(args, out)) {
        return *end;
    }
    out.json = cl.parser.isSet(cl.json);
    cl.requireNoArguments();
    const int portNumber = cl.portNumber();
    const QString baud = cl.baudRate();
    const QString id = cl.deviceId();

    LineState line;
    const auto port = openLine(portNumber, baud, line);
    const DeviceIdentification who = identifyDevice(*port, line, id);
    switch (who.end) {
        case DeviceIdentification::End::Identified:
            break;
        case DeviceIdentification::End::Silent:
            out.error(QStringLiteral("%1: no reply to \"ID\" on %2 at %3 baud")
                          .arg(id, portLabel(portNumber), baud));
            return kExitDeviceFailure;
        case DeviceIdentification::End::OtherDevice:
            out.error(
                QStringLiteral("%1: ID does not match: %2").arg(id, printableText(who.identity)));
            return kExitDeviceFailure;
        case DeviceIdentification::End::Failed:
            out.error(QStringLiteral("%1: no reply to \"%2\"")
                          .arg(id, who.version.isEmpty() ? "VER" : "DN"));
            return kExitDeviceFailure;
        case DeviceIdentification::End::PortFailed:
            out.error(QStringLiteral("%1: %2").arg(portLabel(portNumber), who.error));
            return kExitDeviceFailure;
    }
    StatusCycle cycle(*port, line, id);
    const StatusCycle::Tick tick = cycle.readAll();
    if (tick == StatusCycle::Tick::PortFailed) {
        out.error(QStringLiteral("%1: %2").arg(portLabel(portNumber), cycle.error()));
        return kExitDeviceFailure;
    }
    if (out.json) {
        out.printJson(QJsonObject{{"id", id},
                                  {"port", portNumber},
                                  {"baud", baud},
                                  {"identity", who.identity},
                                  {"version", who.version},
                                  {"name", who.name},
                                  {"communication", cycle.communicating},
                                  {"status", statusJson(cycle.status)}});
    } else {
        const DeviceStatus& s = cycle.status;
        const auto line = [&out](const char* label, const QString& shown) {
            out.line(
                QStringLiteral("%1 %2").arg(QString::fromLatin1(label).leftJustified(10), shown));
        };
        // Every value below is the device's.
        const auto row = [&line](const char* label, const QString& value) {
            line(label, printableText(value));
        };
        line("Device", QStringLiteral("%1 on %2 at %3 baud").arg(id, portLabel(portNumber), baud));
        row("Identity", who.identity);
        row("Version", who.version);
        row("Name", who.name);
        row("Encoder", text(s.encoder));
        row("Position", text(s.position));
        row("Delta", text(s.delta));
        row("Speed", text(s.speed));
        row("Status", s.motion ? motionText(*s.motion) : QString());
        row("PosGuard", text(s.posGuard));
        row("Latch", QStringLiteral("%1 (position %2, encoder %3)")
                         .arg(s.latch ? s.latch->text : QString(), text(s.latchPosition),
                              text(s.latchEncoder)));
        row("Sync", text(s.sync));
        row("Current", s.current ? QString::number(*s.current) : QString());
        row("Inputs", s.inputs ? lampsOn(*s.inputs, kInputs) : QString());
        row("Outputs", s.outputs ? lampsOn(*s.outputs, kOutputs) : QString());
        row("S-curve", s.sCurve ? onOff(*s.sCurve) : QString());
        row("Enabled", s.enabled ? onOff(*s.enabled) : QString());
        row("Mode", text(s.moveMode));
    }
    if (!cycle.communicating) {
        out.error(QStringLiteral("%1 stopped answering while its status was read").arg(id));
        return kExitDeviceFailure;
    }
    return kExitDone;
}

int runMonitor(const QStringList& args) {
    Output out;
    CommandLine cl(
        QStringLiteral("monitor"),
        QStringLiteral(
            "Runs the main window's status polling cycle on the device: every tick \"AR\", "
            "\"EX\", \"PX\" and one group of slower values in an eight-step rotation; while the "
            "device is lost, \"ID\" until it answers again. Prints one line per tick with the "
            "milliseconds since the start and what the tick read, decoded; --csv writes the whole "
            "status as one row per tick. Runs until --seconds have passed or it is interrupted."),
        QString());
    cl.addConnection();
    cl.addJson();
    const QCommandLineOption csv("csv", "Write CSV rows to FILE (\"-\": standard output).", "FILE");
    const QCommandLineOption seconds("seconds", "Stop after S seconds (0.001 to 10000000).", "S");
    cl.parser.addOptions({csv, seconds});
    if (const auto end = cl.parse(args, out)) {
        return *end;
    }
    out.json = cl.parser.isSet(cl.json);
    cl.requireNoArguments();
    const int portNumber = cl.portNumber();
    const QString baud = cl.baudRate();
    const QString id = cl.deviceId();
    const double limitSeconds =
        cl.parser.isSet(seconds)
            ? decimalNumber(cl.parser.value(seconds), 0.001, 1e7, QStringLiteral("--seconds"))
            : 0;
    const QString csvPath = cl.parser.value(csv);
    const bool csvToStdout = csvPath == QLatin1String("-");
    const bool csvToFile = !csvPath.isEmpty() && !csvToStdout;
    // Each row goes into the file as it comes; a failed write stops the monitor with the rows
    // the file keeps.
    RecordingFile csvFile;
    if (csvToFile) {
        if (const auto reason = csvFile.open(csvPath)) {
            throw CliError{kExitUsage, QStringLiteral("cannot write %1: %2").arg(csvPath, *reason)};
        }
    }
    const auto csvStopped = [&](const std::optional<QString>& reason) {
        if (reason) {
            out.error(recordingStoppedMessage(csvPath, *reason, csvFile.rows()));
        }
        return reason.has_value();
    };
    // False when the row could not be written.
    const auto writeCsv = [&](const QString& row, bool header) {
        if (csvToStdout) {
            out.line(row);
            return true;
        }
        if (!csvToFile) {
            return true;
        }
        const QByteArray line = (row + QStringLiteral("\r\n")).toUtf8();
        return !csvStopped(header ? csvFile.writeHeader(line) : csvFile.append(line));
    };

    LineState line;
    const auto port = openLine(portNumber, baud, line);
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    StatusCycle cycle(*port, line, id);
    QElapsedTimer clock;
    clock.start();
    int result = writeCsv(csvHeader(), true) ? kExitDone : kExitDeviceFailure;
    while (result == kExitDone && stopRequested == 0 &&
           (limitSeconds <= 0 || clock.elapsed() < qint64(limitSeconds * 1000))) {
        const StatusCycle::Tick tick = cycle.tick();
        const qint64 ms = clock.elapsed();
        if (tick == StatusCycle::Tick::PortFailed) {
            out.error(QStringLiteral("%1: %2").arg(portLabel(portNumber), cycle.error()));
            result = kExitDeviceFailure;
            break;
        }
        if (!writeCsv(csvRow(ms, cycle.communicating, cycle.status), false)) {
            result = kExitDeviceFailure;
            break;
        }
        if (csvToStdout) {
            continue;
        }
        if (out.json) {
            QJsonObject replies;
            for (qsizetype i = 0; i < cycle.asked.size(); ++i) {
                replies.insert(cycle.asked[i], cycle.replies.value(i));
            }
            out.printJson(QJsonObject{{"ms", ms},
                                      {"communication", cycle.communicating},
                                      {"replies", replies},
                                      {"status", statusJson(cycle.status)}},
                          true);
            continue;
        }
        QStringList parts;
        for (qsizetype i = 0; i < cycle.asked.size(); ++i) {
            parts << cycle.asked[i] + QLatin1Char('=') +
                         printableText(
                             decoded(cycle.asked[i], cycle.replies.value(i), cycle.status));
        }
        if (tick == StatusCycle::Tick::Lost || tick == StatusCycle::Tick::StillLost) {
            parts << QStringLiteral("(no communication)");
        } else if (tick == StatusCycle::Tick::Reidentified) {
            parts << QStringLiteral("(communication again)");
        }
        out.line(QStringLiteral("%1 ms  %2")
                     .arg(QString::number(ms).rightJustified(8), parts.join(QLatin1Char(' '))));
    }
    if (csvStopped(csvFile.close())) {
        return kExitDeviceFailure;
    }
    return result;
}
