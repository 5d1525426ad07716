// soak: the main window polling nvq-can-sim on a paced line for a long time, to show that nothing
// piles up. Prints the exchanges done, the lines that got no reply and this process's resident
// memory after a warm-up, at the end and at its largest. Exit status 0 when memory held (grew by
// no more than the tolerance), 1 when it grew or polling never started, 2 on bad arguments.
// With --chart the chart is open and records every sample to a file the whole time.
#include <QApplication>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "bench_window.h"
#include "counting_port.h"
#include "e2e/sim_process.h"
#include "link/qt_serial_port.h"
#include "resident_memory.h"

#if defined(__SANITIZE_ADDRESS__)
// Under AddressSanitizer freed blocks wait in a quarantine of up to 256 MB before reuse, which
// reads as growth of resident memory; without it the figure means what it does in a plain build.
// ASAN_OPTIONS from the environment still apply on top of this.
extern "C" const char* __asan_default_options() {
    return "quarantine_size_mb=0";
}
#endif

namespace {

const char kUsage[] =
    "Usage: soak [--seconds N] [--warmup N] [--tolerance-kb N] [--baud N] [--chart]\n"
    "  --seconds N       polling time measured, after the warm-up (default 600)\n"
    "  --warmup N        polling time before the first memory reading (default 10)\n"
    "  --tolerance-kb N  growth of resident memory still counted as none (default 1024)\n"
    "  --baud N          the line's baud rate (default 115200)\n"
    "  --chart           the chart open and recording, from before the warm-up to the end\n";

struct Options {
    int seconds = 600;
    int warmup = 10;
    int toleranceKb = 1024;
    int baud = 115200;
    bool chart = false;
};

bool parseOptions(const QStringList& args, Options& options) {
    const struct {
        const char* name;
        int* value;
        int least;
    } known[] = {{"--seconds", &options.seconds, 1},
                 {"--warmup", &options.warmup, 0},
                 {"--tolerance-kb", &options.toleranceKb, 0},
                 {"--baud", &options.baud, 1}};
    for (int i = 0; i < args.size(); i += 2) {
        if (args[i] == QLatin1String("--chart")) {
            options.chart = true;
            --i;
            continue;
        }
        const auto option = std::find_if(std::begin(known), std::end(known),
                                         [&](const auto& k) { return args[i] == k.name; });
        bool number = false;
        const int value = args.value(i + 1).toInt(&number);
        if (option == std::end(known) || !number || value < option->least) {
            return false;
        }
        *option->value = value;
    }
    return true;
}

// Lets the window poll for the given time, reading resident memory every second and telling the
// progress every minute; the seconds it really ran.
double pollAndWatch(int seconds, const LineCounts& counts, MemoryTrace& memory) {
    QTimer sampler;
    int samples = 0;
    QObject::connect(&sampler, &QTimer::timeout, [&] {
        memory.sample();
        if (++samples % 60 == 0) {
            printf("  %4d s: %lld exchanges, %lld no replies, resident %lld kB\n", samples,
                   counts.frames, counts.noReplies, memory.endKb);
            fflush(stdout);
        }
    });
    sampler.start(1000);
    const double elapsed = runEventLoopFor(seconds * 1000);
    memory.sample();
    return elapsed;
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
    SimProcess sim({"--port", "1", "--device", QStringLiteral("1:%1").arg(options.baud), "--pace"});
    if (!sim.started()) {
        fprintf(stderr, "soak: nvq-can-sim did not start\n");
        return 1;
    }
    LineCounts counts;
    BenchWindow bench(counts);
    if (!bench.startPolling(options.baud)) {
        return 1;
    }
    const QTemporaryDir dir;
    const QString recording = dir.filePath(QStringLiteral("soak.csv"));
    if (options.chart) {
        bench.chartAndRecord(recording);
    }
    printf("soak: %d baud, %d s of polling after a %d s warm-up%s\n", options.baud, options.seconds,
           options.warmup, options.chart ? ", chart open and recording" : "");
    fflush(stdout);
    runEventLoopFor(options.warmup * 1000);
    counts = LineCounts{};
    MemoryTrace memory;
    memory.sample();
    const double elapsed = pollAndWatch(options.seconds, counts, memory);
    const qint64 recorded = options.chart ? bench.endRecording(recording) : 0;
    bench.form.close();
    if (options.chart) {
        printf("recorded: %lld samples\n", recorded);
    }

    printf("exchanges: %lld in %.1f s (%.1f/s), no replies: %lld\n", counts.frames, elapsed,
           counts.frames / elapsed, counts.noReplies);
    printf(
        "resident memory: start %lld kB, end %lld kB, max %lld kB, growth %lld kB "
        "(tolerance %d kB)\n",
        memory.startKb, memory.endKb, memory.maxKb, memory.growthKb(), options.toleranceKb);
    const bool held = memory.startKb > 0 && memory.growthKb() <= options.toleranceKb;
    printf("%s\n", held ? "memory held" : "memory grew");
    return held && counts.frames > 0 && recorded >= 0 ? 0 : 1;
}
