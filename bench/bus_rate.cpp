// bus_rate: how fast the bus poll refreshes every device's position, against the limit that the
// line sets for what each pass sends: every character 10 bit times at the line's rate, every
// exchange the device's answer time on top. 1, 4 and 8 devices at 9600 and 115200 baud on
// nvq-can-sim's paced pseudo-terminal, through QtSerialPort; then 8 devices with one silent,
// whose pass may cost at most that device's timeout more than the pass of the 7 others.
#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <optional>

#include "counting_port.h"
#include "e2e/sim_process.h"
#include "files/settings_file.h"
#include "link/qt_serial_port.h"
#include "link/system_port.h"
#include "monitor/bus_poll.h"

namespace {

const char kUsage[] =
    "Usage: bus_rate [--seconds N] [--turnaround MS]\n"
    "  --seconds N       measuring time per case (default 4)\n"
    "  --turnaround MS   the simulated devices' answer time (default 2)\n";

struct Options {
    int seconds = 4;
    int turnaroundMs = 2;
};

bool parseOptions(const QStringList& args, Options& options) {
    for (int i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == QLatin1String("--seconds") && hasValue) {
            options.seconds = std::max(1, args[++i].toInt());
        } else if (args[i] == QLatin1String("--turnaround") && hasValue) {
            options.turnaroundMs = std::max(0, args[++i].toInt());
        } else {
            return false;
        }
    }
    return true;
}

QStringList ids(int devices) {
    return deviceIdEntries().mid(0, devices);
}

struct Run {
    double seconds = 0;
    int passes = 0;
    LineCounts counts;
    double msPerPass() const { return passes > 0 ? 1000 * seconds / passes : 0; }
};

// Polls the devices on COM1 for the given time after two passes that identify them; bare: the
// status cycle of device 01 alone, ticked in a loop without the bus poll and its tally, for what
// this rig (two processes on a pseudo-terminal) allows at all.
std::optional<Run> poll(int baud, int devices, int silent, const Options& options,
                        bool bare = false) {
    QStringList args{"--port", "1", "--pace", "--turnaround",
                     QString::number(options.turnaroundMs)};
    for (const QString& id : ids(devices)) {
        args << "--device" << QStringLiteral("%1:%2").arg(id).arg(baud);
    }
    SimProcess sim(args);
    if (!sim.started()) {
        fprintf(stderr, "bus_rate: nvq-can-sim did not start\n");
        return std::nullopt;
    }
    if (silent > 0) {
        sim.control(QStringLiteral("silent %1 on").arg(ids(silent).last()));
    }
    Run run;
    CountingPort port(std::make_unique<SystemSerialPort>(), run.counts);
    LineState line;
    try {
        openPort(port, 1, QString::number(baud));
    } catch (const PortError& e) {
        fprintf(stderr, "bus_rate: %s\n", e.description().toLocal8Bit().constData());
        return std::nullopt;
    }
    line.unsettled = true;
    BusPoll bus(port, line, baud);
    bus.setIds(ids(devices));
    StatusCycle alone(port, line, QStringLiteral("01"));
    const auto pass = [&] {
        return bare ? alone.tick() != StatusCycle::Tick::PortFailed : bus.pass();
    };
    if (bare) {
        line.afterExchange = nullptr;
    }
    if (!pass() || !pass()) {
        fprintf(stderr, "bus_rate: %s\n", bus.error().toLocal8Bit().constData());
        return std::nullopt;
    }
    run.counts = LineCounts{};
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < options.seconds * 1000) {
        if (!pass()) {
            fprintf(stderr, "bus_rate: %s\n", bus.error().toLocal8Bit().constData());
            return std::nullopt;
        }
        ++run.passes;
    }
    run.seconds = clock.nsecsElapsed() / 1e9;
    return run;
}

// Position updates per device per second, measured and allowed; the ratio in percent.
double report(int baud, int devices, const Run& run, int turnaroundMs) {
    const LineCounts& c = run.counts;
    const double lineSeconds =
        double(c.bytesIn + c.bytesOut) * 10 / baud + double(c.frames) * turnaroundMs / 1000;
    const double perDevice = double(c.positionFrames) / devices;
    const double updates = perDevice / run.seconds;
    const double limit = perDevice / lineSeconds;
    printf(
        "%6d baud, %d device%s: %.1f position updates/s per device, limit %.1f/s, ratio %.1f %% "
        "(%d passes, %.1f ms each, %lld exchanges, %lld unanswered)\n",
        baud, devices, devices == 1 ? "" : "s", updates, limit, 100 * updates / limit, run.passes,
        run.msPerPass(), c.frames, c.noReplies);
    return 100 * updates / limit;
}

// What one unanswered exchange costs this line: its own wait for a reply (101 empty reads), then
// the wait for quiet before the next command and, since the next reply may have been the late
// answer, before the one after it. Measured as "ID" to an ID nobody has followed by two "ID" to
// 01, against the two "ID" to 01 alone, ten times each.
std::optional<double> timeoutMs(int baud) {
    SimProcess sim({"--port", "1", "--pace", "--device", QStringLiteral("1:%1").arg(baud)});
    if (!sim.started()) {
        return std::nullopt;
    }
    QtSerialPort port;
    LineState line;
    try {
        openPort(port, 1, QString::number(baud));
    } catch (const PortError&) {
        return std::nullopt;
    }
    line.unsettled = true;
    const auto run = [&port, &line](const QStringList& ids) {
        QElapsedTimer clock;
        clock.start();
        for (int i = 0; i < 10; ++i) {
            for (const QString& id : ids) {
                exchange(port, line, id, QStringLiteral("ID"));
            }
        }
        return clock.nsecsElapsed() / 1e6 / 10;
    };
    run({"01", "01"});  // the new line settles
    const double answered = run({"01", "01"});
    return run({"99", "01", "01"}) - answered;
}

}  // namespace

int main(int argc, char* argv[]) {
    quietSerialNotifierWarnings();
    QCoreApplication app(argc, argv);
    Options options;
    if (!parseOptions(QCoreApplication::arguments().mid(1), options)) {
        fputs(kUsage, stderr);
        return 2;
    }
    bool ok = true;
    for (const int baud : {9600, 115200}) {
        if (const auto bare = poll(baud, 1, 0, options, true)) {
            printf("%6d baud, for comparison, the status cycle alone without the bus poll:\n",
                   baud);
            report(baud, 1, *bare, options.turnaroundMs);
        }
        for (const int devices : {1, 4, 8}) {
            const auto run = poll(baud, devices, 0, options);
            ok = ok && run;
            if (run) {
                report(baud, devices, *run, options.turnaroundMs);
            }
        }
        const auto seven = poll(baud, 7, 0, options);
        const auto eight = poll(baud, 8, 8, options);
        const auto timeout = timeoutMs(baud);
        ok = ok && seven && eight && timeout;
        if (seven && eight && timeout) {
            printf(
                "%6d baud, 8 devices, 08 silent: %.1f ms per pass, 7 devices %.1f ms: the silent "
                "device costs %.1f ms per pass; one unanswered exchange costs %.1f ms\n",
                baud, eight->msPerPass(), seven->msPerPass(),
                eight->msPerPass() - seven->msPerPass(), *timeout);
        }
    }
    return ok ? 0 : 1;
}
