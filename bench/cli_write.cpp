// cli_write: how long "nvq-can write" takes to configure ten devices on one bus, against the
// time the line itself and the device's described waits need. Runs the real nvq-can against
// nvq-can-sim on a paced pseudo-terminal at 9600 and 115200 baud; the traffic is counted from the
// simulator's log, so that the figure rests on what really went over the line.
#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>
#include <cstdio>

#include "device/parameter_file.h"
#include "e2e/sim_process.h"
#include "files/whole_file.h"
#include "link/exchange.h"

namespace {

const char kUsage[] =
    "Usage: cli_write [--devices N] [--verify] [--store] [--turnaround MS] [--sim-log PREFIX]\n"
    "  --devices N       devices on the bus, IDs 1 to N (default 10)\n"
    "  --verify, --store passed on to nvq-can write\n"
    "  --turnaround MS   the simulated device's answer time (default 2)\n"
    "  --sim-log PREFIX  keep the simulator's traffic log of each run in PREFIX<baud>.log\n";

struct Options {
    int devices = 10;
    bool verify = false;
    bool store = false;
    int turnaroundMs = 2;
    QString simLog;
};

bool parseOptions(const QStringList& args, Options& options) {
    for (int i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == QLatin1String("--devices") && hasValue) {
            options.devices = std::clamp(args[++i].toInt(), 1, 99);
        } else if (args[i] == QLatin1String("--verify")) {
            options.verify = true;
        } else if (args[i] == QLatin1String("--store")) {
            options.store = true;
        } else if (args[i] == QLatin1String("--turnaround") && hasValue) {
            options.turnaroundMs = std::max(0, args[++i].toInt());
        } else if (args[i] == QLatin1String("--sim-log") && hasValue) {
            options.simLog = args[++i];
        } else {
            return false;
        }
    }
    return true;
}

// What the simulator's log says went over the line.
struct Traffic {
    qint64 bytesOut = 0;  // from the program
    qint64 bytesIn = 0;   // from the devices
    qint64 frames = 0;    // command lines
    qint64 waitMs = 0;    // the delays the device needs after its special commands
};

// "  1138.1 COM1 -> @05ID<CR>": the bytes as the log shows them, "<CR>" and "<hh>" one each.
Traffic countTraffic(const QString& log) {
    static const QRegularExpression line(QStringLiteral("^\\s*[\\d.]+ COM\\d+ (->|<-) (.*)$"));
    static const QRegularExpression escaped(QStringLiteral("<(CR|[0-9a-f]{2})>"));
    Traffic t;
    QString pending;  // the program's bytes since the last CR
    for (const QString& text : log.split(QLatin1Char('\n'))) {
        const auto m = line.match(text);
        if (!m.hasMatch()) {
            continue;
        }
        const QString shown = m.captured(2);
        QString plain = shown;
        plain.replace(escaped, QStringLiteral("#"));
        if (m.captured(1) == QLatin1String("<-")) {
            t.bytesIn += plain.size();
            continue;
        }
        t.bytesOut += plain.size();
        pending += shown;
        for (qsizetype cr = pending.indexOf(QLatin1String("<CR>")); cr >= 0;
             cr = pending.indexOf(QLatin1String("<CR>"))) {
            const QString frame = pending.left(cr);
            pending = pending.mid(cr + 4);
            ++t.frames;
            t.waitMs += commandDelayMs(frame.mid(3));  // after "@" and the ID
        }
    }
    return t;
}

ParameterSet fileSet() {
    ParameterSet s;
    s.polarity = 288;
    s.LCA = QStringLiteral("250");
    s.runCurrent = QStringLiteral("1800");
    s.idleCurrent = QStringLiteral("600");
    s.posGuardTolerance = QStringLiteral("20");
    s.doBoot = QStringLiteral("J+");
    s.eoBoot =
        QStringLiteral("0");  // an empty one would be stored empty, and read back as no answer
    s.nodeId = QStringLiteral("1");
    s.canBitRate = QStringLiteral("125000");
    return s;
}

// One run at one baud rate; false when it could not be measured.
bool measure(int baud, const Options& options) {
    QStringList simArgs{"--port", "1", "--pace", "--turnaround",
                        QString::number(options.turnaroundMs)};
    for (int id = 1; id <= options.devices; ++id) {
        simArgs << "--device" << QStringLiteral("%1:%2").arg(id).arg(baud);
    }
    SimProcess sim(simArgs);
    if (!sim.started()) {
        fprintf(stderr, "cli_write: nvq-can-sim did not start\n");
        return false;
    }
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("bench.par"));
    if (const auto failure = saveParameterFile(file, fileSet())) {
        fprintf(stderr, "cli_write: %s\n", failure->toLocal8Bit().constData());
        return false;
    }
    QStringList args{"write",  file,
                     "--port", "1",
                     "--baud", QString::number(baud),
                     "--id",   QStringLiteral("1-%1").arg(options.devices)};
    if (options.verify) {
        args << "--verify";
    }
    if (options.store) {
        args << "--store";
    }
    QProcess cli;
    QElapsedTimer clock;
    clock.start();
    cli.start(QStringLiteral(NVQ_CLI_PATH), args);
    const bool ended = cli.waitForFinished(600000);
    const double seconds = clock.elapsed() / 1000.0;
    if (!ended || cli.exitStatus() != QProcess::NormalExit || cli.exitCode() != 0) {
        fprintf(stderr, "cli_write: nvq-can write failed (%d): %s%s\n", cli.exitCode(),
                cli.readAllStandardOutput().constData(), cli.readAllStandardError().constData());
        return false;
    }
    // The simulator logs a burst the moment it has handled it; give the last one its moment.
    Traffic t;
    for (QDeadlineTimer settle(2000); !settle.hasExpired(); QThread::msleep(50)) {
        const Traffic now = countTraffic(sim.log());
        if (now.frames == t.frames && now.bytesIn == t.bytesIn && t.frames > 0) {
            break;
        }
        t = now;
    }
    // The line's own time: every byte 10 bit times, every exchange the device's answer time, every
    // special command its described wait; and once, the silence a freshly opened line is given
    // to fall quiet (101 empty reads of 1 ms).
    const double lineSeconds = double(t.bytesIn + t.bytesOut) * 10 / baud;
    const double limit = lineSeconds + double(t.frames) * options.turnaroundMs / 1000 +
                         double(t.waitMs) / 1000 + 0.101;
    printf("%6d baud: %d devices, %lld exchanges, %lld bytes out, %lld bytes in\n", baud,
           options.devices, t.frames, t.bytesOut, t.bytesIn);
    printf(
        "%6d baud: %.2f s; the line and the described waits need %.2f s (bytes %.2f s, "
        "answer times %.2f s, waits %.2f s); ratio %.1f %%\n",
        baud, seconds, limit, lineSeconds, double(t.frames) * options.turnaroundMs / 1000,
        double(t.waitMs) / 1000 + 0.101, 100.0 * limit / seconds);
    if (!options.simLog.isEmpty()) {
        const QString path = QStringLiteral("%1%2.log").arg(options.simLog).arg(baud);
        if (const auto reason = writeWholeFile(path, sim.log().toLocal8Bit())) {
            fprintf(stderr, "cli_write: cannot write %s: %s\n", path.toLocal8Bit().constData(),
                    reason->toLocal8Bit().constData());
        }
    }
    return true;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    Options options;
    if (!parseOptions(QCoreApplication::arguments().mid(1), options)) {
        fputs(kUsage, stderr);
        return 2;
    }
    bool ok = true;
    for (const int baud : {9600, 115200}) {
        ok = measure(baud, options) && ok;
    }
    return ok ? 0 : 1;
}
