// "monitor": the main window's status polling without a window, on one device or a bus of them.
#include <QElapsedTimer>
#include <QJsonObject>
#include <csignal>

#include "cli/cli_common.h"
#include "cli/status_text.h"
#include "files/printable_text.h"
#include "files/recording_file.h"
#include "monitor/bus_poll.h"
#include "monitor/status_cycle.h"

namespace {

volatile std::sig_atomic_t stopRequested = 0;
void onStopSignal(int) {
    stopRequested = 1;
}

// What every row of a monitor run goes through: the CSV file or standard output, the clock, the
// end.
struct MonitorRun {
    const Output& out;
    bool csvToStdout = false;
    qint64 limitMs = 0;  // 0: until interrupted
    // Writes a CSV row where it goes (nowhere without --csv); false when the write failed.
    std::function<bool(const QString& row)> writeCsv;
    QElapsedTimer clock;

    bool goesOn() const {
        return stopRequested == 0 && (limitMs <= 0 || clock.elapsed() < limitMs);
    }
};

// What a tick asked and got, decoded, "AR=0 EX=12 PX=34"; with what the tick meant.
QStringList tickParts(const StatusCycle& cycle, StatusCycle::Tick tick) {
    QStringList parts;
    for (qsizetype i = 0; i < cycle.asked.size(); ++i) {
        parts << cycle.asked[i] + QLatin1Char('=') +
                     printableText(decoded(cycle.asked[i], cycle.replies.value(i), cycle.status));
    }
    if (tick == StatusCycle::Tick::Lost || tick == StatusCycle::Tick::StillLost) {
        parts << QStringLiteral("(no communication)");
    } else if (tick == StatusCycle::Tick::Reidentified) {
        parts << QStringLiteral("(communication again)");
    }
    return parts;
}

QJsonObject tickReplies(const StatusCycle& cycle) {
    QJsonObject replies;
    for (qsizetype i = 0; i < cycle.asked.size(); ++i) {
        replies.insert(cycle.asked[i], cycle.replies.value(i));
    }
    return replies;
}

QString msText(qint64 ms) {
    return QString::number(ms).rightJustified(8);
}

int monitorOne(MonitorRun& run, SerialPort& port, LineState& line, const QString& id,
               const CliPort& where) {
    StatusCycle cycle(port, line, id);
    while (run.goesOn()) {
        const StatusCycle::Tick tick = cycle.tick();
        const qint64 ms = run.clock.elapsed();
        if (tick == StatusCycle::Tick::PortFailed) {
            run.out.error(QStringLiteral("%1: %2").arg(where.label(), cycle.error()));
            return kExitDeviceFailure;
        }
        if (!run.writeCsv(csvRow(ms, QString(), cycle.communicating, cycle.status))) {
            return kExitDeviceFailure;
        }
        if (run.csvToStdout) {
            continue;
        }
        if (run.out.json) {
            run.out.printJson(QJsonObject{{"ms", ms},
                                          {"communication", cycle.communicating},
                                          {"replies", tickReplies(cycle)},
                                          {"status", statusJson(cycle.status)}},
                              true);
            continue;
        }
        run.out.line(QStringLiteral("%1 ms  %2").arg(msText(ms), tickParts(cycle, tick).join(' ')));
    }
    return kExitDone;
}

// A device's identification step as a row: what it answered, or that it did not.
QStringList identifyParts(const BusDevice& d, BusPoll::Step::What what) {
    if (what != BusPoll::Step::What::Identified) {
        return {QStringLiteral("(no communication)")};
    }
    return {QStringLiteral("ID=") + printableText(d.identity),
            QStringLiteral("VER=") + printableText(d.version),
            QStringLiteral("DN=") + printableText(d.name)};
}

// Every device in turn, one row per device and step: its identification until it has answered
// it, then its status cycle's ticks.
int monitorBus(MonitorRun& run, SerialPort& port, LineState& line, const QStringList& ids, int baud,
               const CliPort& where) {
    BusPoll poll(port, line, baud);
    poll.setIds(ids);
    while (run.goesOn()) {
        const std::optional<BusPoll::Step> step = poll.next();
        const qint64 ms = run.clock.elapsed();
        if (!step || step->portFailed) {
            run.out.error(QStringLiteral("%1: %2").arg(where.label(), poll.error()));
            return kExitDeviceFailure;
        }
        const BusDevice& d = *poll.device(step->id);
        const bool ticked = step->what == BusPoll::Step::What::Ticked;
        const bool communicating = d.identified && d.cycle.communicating;
        if (!run.writeCsv(csvRow(ms, d.id, communicating, d.cycle.status))) {
            return kExitDeviceFailure;
        }
        if (run.csvToStdout) {
            continue;
        }
        if (run.out.json) {
            const QJsonObject replies =
                ticked ? tickReplies(d.cycle)
                       : QJsonObject{{"ID", d.identity}, {"VER", d.version}, {"DN", d.name}};
            run.out.printJson(QJsonObject{{"ms", ms},
                                          {"id", d.id},
                                          {"communication", communicating},
                                          {"replies", replies},
                                          {"status", statusJson(d.cycle.status)}},
                              true);
            continue;
        }
        const QStringList parts =
            ticked ? tickParts(d.cycle, step->tick) : identifyParts(d, step->what);
        run.out.line(QStringLiteral("%1 ms  %2  %3").arg(msText(ms), d.id, parts.join(' ')));
    }
    return kExitDone;
}

}  // namespace

int runMonitor(const QStringList& args) {
    Output out;
    CommandLine cl(
        QStringLiteral("monitor"),
        QStringLiteral(
            "Runs the main window's status polling cycle on the device: every tick \"AR\", "
            "\"EX\", \"PX\" and one group of slower values in an eight-step rotation; while the "
            "device is lost, \"ID\" until it answers again. Prints one line per tick with the "
            "milliseconds since the start and what the tick read, decoded; --csv writes the whole "
            "status as one row per tick. With several IDs each device is polled in turn, first "
            "asked \"ID\", \"VER\" and \"DN\", and each line, row or JSON object names the device "
            "(\"id\"). Runs until --seconds have passed or it is interrupted."),
        QString());
    cl.addConnection(true);
    cl.addJson();
    const QCommandLineOption csv("csv", "Write CSV rows to FILE (\"-\": standard output).", "FILE");
    const QCommandLineOption seconds("seconds", "Stop after S seconds (0.001 to 10000000).", "S");
    cl.parser.addOptions({csv, seconds});
    if (const auto end = cl.parse(args, out)) {
        return *end;
    }
    out.json = cl.parser.isSet(cl.json);
    cl.requireNoArguments();
    const CliPort where = cl.linePort();
    const QString baud = cl.baudRate();
    const QStringList ids = cl.deviceIds();
    const double limitSeconds =
        cl.parser.isSet(seconds)
            ? decimalNumber(cl.parser.value(seconds), 0.001, 1e7, QStringLiteral("--seconds"))
            : 0;
    const QString csvPath = cl.parser.value(csv);
    const bool csvToFile = !csvPath.isEmpty() && csvPath != QLatin1String("-");
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
    MonitorRun run{out, csvPath == QLatin1String("-"), qint64(limitSeconds * 1000), {}, {}};
    const auto writeCsv = [&](const QString& row, bool header) {
        if (run.csvToStdout) {
            out.line(row);
            return true;
        }
        if (!csvToFile) {
            return true;
        }
        const QByteArray line = (row + QStringLiteral("\r\n")).toUtf8();
        return !csvStopped(header ? csvFile.writeHeader(line) : csvFile.append(line));
    };
    run.writeCsv = [&writeCsv](const QString& row) { return writeCsv(row, false); };

    LineState line;
    const auto port = openLine(where, baud, line);
    std::signal(SIGINT, onStopSignal);
    std::signal(SIGTERM, onStopSignal);
    run.clock.start();
    int result = kExitDeviceFailure;
    if (writeCsv(csvHeader(ids.size() > 1), true)) {
        result = ids.size() == 1 ? monitorOne(run, *port, line, ids.first(), where)
                                 : monitorBus(run, *port, line, ids, baud.toInt(), where);
    }
    if (csvStopped(csvFile.close())) {
        return kExitDeviceFailure;
    }
    return result;
}
