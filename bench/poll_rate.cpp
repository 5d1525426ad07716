// poll_rate: how fast the main window's polling cycle refreshes the position, against the limit
// the serial line itself sets. Runs the real window (offscreen, its own Timer1 in the event loop,
// QtSerialPort) against nvq-can-sim on a paced pseudo-terminal at 9600 and 115200 baud. With
// --chart, each rate is measured again with the chart open and recording, and the cost printed.
// With --tcp or --rfc2217, each rate is measured again with COM1 reaching the simulator through
// a network port on 127.0.0.1 (raw TCP or RFC 2217), and the two ratios compared.
#include <QApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <optional>

#include "bench_window.h"
#include "counting_port.h"
#include "e2e/sim_process.h"
#include "files/whole_file.h"
#include "link/qt_serial_port.h"
#include "main_window/main_control_form.h"
#include "ports/network_ports.h"

namespace {

const char kUsage[] =
    "Usage: poll_rate [--seconds N] [--turnaround MS] [--sim-log PREFIX] [--chart]\n"
    "                 [--tcp | --rfc2217]\n"
    "  --seconds N       measuring time per baud rate (default 5)\n"
    "  --turnaround MS   the simulated device's answer time (default 2)\n"
    "  --sim-log PREFIX  keep the simulator's traffic log of each run in PREFIX<baud>.log\n"
    "  --chart           measure each rate also with the chart open and recording\n"
    "  --tcp, --rfc2217  measure each rate also through a network port on 127.0.0.1\n";

struct Options {
    int seconds = 5;
    int turnaroundMs = 2;
    QString simLog;
    bool chart = false;
    QString network;  // "", "--tcp" or "--rfc2217": the simulator's option
};

bool parseOptions(const QStringList& args, Options& options) {
    for (int i = 0; i < args.size(); ++i) {
        const bool hasValue = i + 1 < args.size();
        if (args[i] == QLatin1String("--seconds") && hasValue) {
            options.seconds = std::max(1, args[++i].toInt());
        } else if (args[i] == QLatin1String("--turnaround") && hasValue) {
            options.turnaroundMs = std::max(0, args[++i].toInt());
        } else if (args[i] == QLatin1String("--sim-log") && hasValue) {
            options.simLog = args[++i];
        } else if (args[i] == QLatin1String("--chart")) {
            options.chart = true;
        } else if (args[i] == QLatin1String("--tcp") || args[i] == QLatin1String("--rfc2217")) {
            options.network = args[i];
        } else {
            return false;
        }
    }
    return true;
}

// Prints the run's figures; the ratio of position updates to the line's limit, in percent.
double report(int baud, const LineCounts& counts, double elapsed, int turnaroundMs) {
    // The line's own limit: every byte takes 10 bit times, every exchange the device's answer
    // time on top.
    const double lineSeconds = double(counts.bytesIn + counts.bytesOut) * 10 / baud +
                               double(counts.frames) * turnaroundMs / 1000;
    const double updates = counts.positionFrames / elapsed;
    const double limit = counts.positionFrames / lineSeconds;
    printf("%6d baud: %lld exchanges, %lld bytes out, %lld bytes in, %.2f s\n", baud, counts.frames,
           counts.bytesOut, counts.bytesIn, elapsed);
    printf("%6d baud: %.1f position updates/s, line limit %.1f/s, ratio %.1f %%\n", baud, updates,
           limit, 100.0 * updates / limit);
    return 100.0 * updates / limit;
}

void keepLog(const QString& path, const QString& log) {
    if (const auto reason = writeWholeFile(path, log.toLocal8Bit())) {
        fprintf(stderr, "poll_rate: cannot write %s: %s\n", path.toLocal8Bit().constData(),
                reason->toLocal8Bit().constData());
    }
}

// One run at one baud rate, with the chart open and recording or without; the ratio, or nothing
// when the window never got to polling.
// network: "" for the pseudo-terminal, else the simulator's option for a network port.
std::optional<double> measure(int baud, const Options& options, bool chart,
                              const QString& network = QString()) {
    QStringList args{"--port",
                     "1",
                     "--device",
                     QStringLiteral("1:%1").arg(baud),
                     "--pace",
                     "--turnaround",
                     QString::number(options.turnaroundMs)};
    if (!network.isEmpty()) {
        args << network << "0";
    }
    SimProcess sim(args);
    if (!sim.started()) {
        fprintf(stderr, "poll_rate: nvq-can-sim did not start\n");
        return std::nullopt;
    }
    if (!network.isEmpty()) {
        const NetworkAddress address{
            network == QLatin1String("--tcp") ? NetworkProtocol::RawTcp : NetworkProtocol::Rfc2217,
            QStringLiteral("127.0.0.1"), static_cast<quint16>(sim.tcpPort(1))};
        if (address.port == 0 || !setNetworkEntry(sim.portsDir(), 1, address).isEmpty()) {
            fprintf(stderr, "poll_rate: the simulator's network port is not there\n");
            return std::nullopt;
        }
        printf("%6d baud through %s\n", baud, address.text().toLocal8Bit().constData());
    }
    LineCounts counts;
    BenchWindow bench(counts);
    if (!bench.startPolling(baud)) {
        return std::nullopt;
    }
    const QTemporaryDir dir;
    const QString recording = dir.filePath(QStringLiteral("poll_rate.csv"));
    if (chart) {
        bench.chartAndRecord(recording);
    }
    counts = LineCounts{};
    const double elapsed = runEventLoopFor(options.seconds * 1000);
    if (chart) {
        printf("%6d baud, chart open and recording: %lld samples recorded\n", baud,
               bench.endRecording(recording));
    }
    bench.form.close();
    const double ratio = report(baud, counts, elapsed, options.turnaroundMs);
    if (!options.simLog.isEmpty()) {
        keepLog(QStringLiteral("%1%2%3.log")
                    .arg(options.simLog)
                    .arg(baud)
                    .arg(QLatin1String(chart ? "-chart" : "")),
                sim.log());
    }
    return ratio;
}

}  // namespace

int main(int argc, char* argv[]) {
    quietSerialNotifierWarnings();
    preferOffscreen();
    QApplication app(argc, argv);
    Options options;
    if (!parseOptions(QCoreApplication::arguments().mid(1), options)) {
        fputs(kUsage, stderr);
        return 2;
    }
    bool ok = true;
    for (const int baud : {9600, 115200}) {
        const auto without = measure(baud, options, false);
        const auto with = options.chart ? measure(baud, options, true) : without;
        ok = ok && without && with;
        if (!options.network.isEmpty() && without) {
            const auto network = measure(baud, options, false, options.network);
            ok = ok && network;
            if (network) {
                printf(
                    "%6d baud: through the network port the ratio is %.1f %% against %.1f %% on "
                    "the pseudo-terminal (%+.1f points)\n",
                    baud, *network, *without, *network - *without);
            }
        }
        if (options.chart && without && with) {
            printf(
                "%6d baud: the chart open and recording costs %.1f points of the ratio "
                "(%.1f %% of it)\n",
                baud, *without - *with, 100.0 * (*without - *with) / *without);
        }
    }
    return ok ? 0 : 1;
}
