// gui_latency: how promptly the GUI thread gets back to its events while the windows talk to a
// device. A 5 ms precise timer in the GUI thread notes how late each of its firings comes, which
// is as long as a click or a repaint would have waited, while the real windows (offscreen,
// QtSerialPort) work against nvq-can-sim on a paced pseudo-terminal: the main window polling at
// 9600 and 115200 baud and with a silent device, the parameter window's upload, download and
// store, and the connection dialog's search. The windows are driven through their buttons and
// the scripted prompter and modal runner only, so that the bench measures whatever the windows
// do behind them. An operation shorter than the measuring time is repeated until the time is up,
// and the last one measured to its end.
#include <QApplication>
#include <QDeadlineTimer>
#include <algorithm>
#include <cstdio>
#include <functional>
#include <mutex>
#include <optional>

#include "bench_window.h"
#include "counting_port.h"
#include "e2e/sim_process.h"
#include "lateness_probe.h"
#include "link/qt_serial_port.h"
#include "setup/setup_parameters.h"

namespace {

const char kUsage[] =
    "Usage: gui_latency [--seconds N] [--case NAME]\n"
    "  --seconds N   measuring time per case (default 3)\n"
    "  --case NAME   run only this case: polling-9600, polling-115200, silent-9600,\n"
    "                upload-9600, download-9600, store-9600, scan\n";

constexpr double kGoalP99Ms = 20;
constexpr double kGoalMaxMs = 50;
// The longest any single operation may take (a download at 9600 baud takes under two seconds,
// a search a few) before the case counts as failed.
constexpr int kOperationMs = 30000;

struct Options {
    int seconds = 3;
    QString only;
};

// What one case measured, or why it could not be measured.
struct Measured {
    QList<qint64> latenessNs;
    int runs = 0;  // operations done, for the cases that repeat one
    QString failure;
};

Measured measured(const LatenessProbe& probe, int runs = 0) {
    return {probe.latenessNs(), runs, QString()};
}

Measured failed(const QString& why) {
    return {{}, 0, why};
}

QString lastMessage(const ScriptedPrompter& prompter) {
    const QStringList messages = prompter.messages();
    return messages.isEmpty() ? QStringLiteral("no message") : messages.last();
}

// Tells when a command has been answered. Armed with the command's key, it notes the writing of
// that command ("@01KEY\r" or "@01KEY=...\r") and holds once a reply line has been read after it.
// The port may be used in a line engine's thread: what it notes there is read here under a lock.
class AnswerWatch {
  public:
    explicit AnswerWatch(LineCounts& counts) {
        counts.onWrite = [this](const QByteArray& data) { noteWrite(data); };
        counts.onReplyLine = [this] { noteReply(); };
    }
    void arm(const QByteArray& key) {
        const std::lock_guard lock(mutex_);
        key_ = key;
        sent_ = answered_ = false;
    }
    bool answered() const {
        const std::lock_guard lock(mutex_);
        return answered_;
    }

  private:
    void noteWrite(const QByteArray& data) {
        const std::lock_guard lock(mutex_);
        const QByteArray command = data.mid(3).chopped(data.endsWith('\r') ? 1 : 0);
        if (command == key_ || command.startsWith(key_ + '=')) {
            sent_ = true;
            answered_ = false;
        }
    }
    void noteReply() {
        const std::lock_guard lock(mutex_);
        answered_ = answered_ || sent_;
    }

    mutable std::mutex mutex_;
    QByteArray key_;
    bool sent_ = false;
    bool answered_ = false;
};

// Runs the event loop and presses again whenever the previous press has finished, until ms have
// passed and the last press has finished too. The number of presses, or nothing when one did not
// finish within kOperationMs.
std::optional<int> pressRepeatedly(int ms, const std::function<void()>& press,
                                   const std::function<bool()>& finished) {
    QEventLoop loop;
    const QDeadlineTimer end(ms);
    QDeadlineTimer bound;
    int presses = 0;
    bool pending = false;
    bool stuck = false;
    QTimer driver;
    QObject::connect(&driver, &QTimer::timeout, &loop, [&] {
        if (pending && !finished()) {
            stuck = bound.hasExpired();
            if (stuck) {
                loop.quit();
            }
            return;
        }
        pending = false;
        if (end.hasExpired()) {
            loop.quit();
            return;
        }
        pending = true;
        ++presses;
        bound.setRemainingTime(kOperationMs);
        press();
    });
    driver.start(5);
    loop.exec();
    return stuck ? std::nullopt : std::optional<int>(presses);
}

// The main window polling device 01; with silence, the device stops answering once polling runs
// and the window keeps trying to identify it again.
Measured polling(int baud, int ms, SimProcess* silence = nullptr) {
    LineCounts counts;
    BenchWindow bench(counts);
    if (!bench.startPolling(baud)) {
        return failed(QStringLiteral("the main window did not start polling"));
    }
    if (silence && silence->control(QStringLiteral("silent 1 on")) != QLatin1String("ok")) {
        return failed(QStringLiteral("the simulator did not silence the device"));
    }
    LatenessProbe probe;
    probe.start();
    runEventLoopFor(ms);
    probe.stop();
    bench.form.close();
    return measured(probe);
}

// "Setup" in the polling main window, again and again: the parameter window opens, uploads at
// its load ("RZ" is its last query) and is closed once that is answered; the main window takes
// its port back and polls on until the next press.
Measured upload(int ms) {
    LineCounts counts;
    BenchWindow bench(counts);
    AnswerWatch watch(counts);
    if (!bench.startPolling(9600)) {
        return failed(QStringLiteral("the main window did not start polling"));
    }
    bool shown = false;
    bool uploaded = true;
    const auto press = [&] {
        shown = false;
        watch.arm("RZ");
        bench.modal.scripts << [&](QDialog&) {
            uploaded =
                runEventLoopUntil([&] { return watch.answered(); }, kOperationMs) && uploaded;
            shown = true;
        };
        bench.form.Setup->click();
    };
    LatenessProbe probe;
    probe.start();
    const auto runs = pressRepeatedly(ms, press, [&] { return shown; });
    probe.stop();
    bench.form.close();
    if (!runs || !uploaded) {
        return failed(QStringLiteral("an upload did not finish: ") + lastMessage(bench.prompter));
    }
    return measured(probe, *runs);
}

// One of the parameter window's buttons pressed again and again, its questions answered from
// answers, each press finished once the command keyed lastKey has been answered. The window is
// opened on the polling main window's "Setup", and measuring starts once its load's upload is
// done.
Measured inParameterWindow(int ms, QPushButton* SetupParameters::*button, const QByteArray& lastKey,
                           const QList<bool>& answers) {
    LineCounts counts;
    BenchWindow bench(counts);
    AnswerWatch watch(counts);
    if (!bench.startPolling(9600)) {
        return failed(QStringLiteral("the main window did not start polling"));
    }
    Measured result = failed(QStringLiteral("the parameter window did not open"));
    bool over = false;
    watch.arm("RZ");
    bench.modal.scripts << [&](QDialog& child) {
        auto& setup = dynamic_cast<SetupParameters&>(child);
        if (!runEventLoopUntil([&] { return watch.answered(); }, kOperationMs)) {
            result =
                failed(QStringLiteral("its upload did not finish: ") + lastMessage(bench.prompter));
            over = true;
            return;
        }
        const auto press = [&] {
            bench.prompter.answers = answers;
            watch.arm(lastKey);
            (setup.*button)->click();
        };
        LatenessProbe probe;
        probe.start();
        const auto runs = pressRepeatedly(ms, press, [&] { return watch.answered(); });
        probe.stop();
        result = runs ? measured(probe, *runs)
                      : failed(QStringLiteral("an operation did not finish: ") +
                               lastMessage(bench.prompter));
        over = true;
    };
    bench.form.Setup->click();
    runEventLoopUntil([&] { return over; }, ms + 2 * kOperationMs);
    bench.form.close();
    return result;
}

// "Search" in the connection dialog, again and again, each scan run by its own window's timer
// until it closes itself on finding the device.
Measured scan(int ms) {
    LineCounts counts;
    BenchDialog dialog(counts);
    dialog.form.show();
    bool over = false;
    const auto press = [&] {
        over = false;
        dialog.modal.scripts << [&](QDialog& window) {
            runEventLoopUntil([&] { return !window.isVisible(); }, kOperationMs);
            over = true;
        };
        dialog.form.SearchNVQ->click();
    };
    LatenessProbe probe;
    probe.start();
    const auto runs = pressRepeatedly(ms, press, [&] { return over; });
    probe.stop();
    dialog.form.close();
    const QStringList messages = dialog.prompter.messages();
    if (!runs || messages.size() != *runs ||
        messages.filter(QStringLiteral("NVQ-CAN Found")).size() != *runs) {
        return failed(QStringLiteral("a search did not find the device: ") +
                      lastMessage(dialog.prompter));
    }
    return measured(probe, *runs);
}

struct Case {
    const char* name;
    const char* device;  // the simulator's device on COM1, "ID:BAUD"
    Measured (*run)(SimProcess& sim, int ms);
};

const Case kCases[] = {
    {"polling-9600", "1:9600", [](SimProcess&, int ms) { return polling(9600, ms); }},
    {"polling-115200", "1:115200", [](SimProcess&, int ms) { return polling(115200, ms); }},
    {"silent-9600", "1:9600", [](SimProcess& sim, int ms) { return polling(9600, ms, &sim); }},
    {"upload-9600", "1:9600", [](SimProcess&, int ms) { return upload(ms); }},
    {"download-9600", "1:9600",
     [](SimProcess&, int ms) {
         // Every setting is written back as uploaded, so nothing is asked; a question would get
         // No, leaving the device's line settings alone.
         return inParameterWindow(ms, &SetupParameters::DownloadPar, "RZ", {});
     }},
    {"store-9600", "1:9600",
     [](SimProcess&, int ms) {
         return inParameterWindow(ms, &SetupParameters::SetSN, "STORE", {true});
     }},
    // The search passes over the nine IDs at 9600 baud, each an unanswered query, before it
    // finds the device at 19200.
    {"scan", "1:19200", [](SimProcess&, int ms) { return scan(ms); }},
};

bool parseOptions(const QStringList& args, Options& options) {
    for (int i = 0; i < args.size(); i += 2) {
        if (i + 1 >= args.size()) {
            return false;
        }
        if (args[i] == QLatin1String("--seconds")) {
            bool number = false;
            options.seconds = args[i + 1].toInt(&number);
            if (!number || options.seconds < 1) {
                return false;
            }
        } else if (args[i] == QLatin1String("--case")) {
            options.only = args[i + 1];
            const auto known = std::find_if(std::begin(kCases), std::end(kCases), [&](auto& c) {
                return options.only == QLatin1String(c.name);
            });
            if (known == std::end(kCases)) {
                return false;
            }
        } else {
            return false;
        }
    }
    return true;
}

// One table line; true when the case was measured.
bool report(const Case& c, const Measured& m) {
    const QString failure = m.failure.isEmpty() && m.latenessNs.isEmpty()
                                ? QStringLiteral("the timer never fired")
                                : m.failure;
    if (!failure.isEmpty()) {
        printf("%-16s not measured: %s\n", c.name, failure.toLocal8Bit().constData());
        return false;
    }
    const LatenessFigures f = summarize(m.latenessNs);
    const bool met = f.p99Ms <= kGoalP99Ms && f.maxMs <= kGoalMaxMs;
    const QString runs = m.runs == 0   ? QString()
                         : m.runs == 1 ? QStringLiteral(", 1 run")
                                       : QStringLiteral(", %1 runs").arg(m.runs);
    printf("%-16s p50 %5.1f ms   p99 %6.1f ms   max %6.1f ms   (%lld samples%s)   %s\n", c.name,
           f.p50Ms, f.p99Ms, f.maxMs, qint64(f.samples), runs.toLocal8Bit().constData(),
           met ? "goal met" : "goal missed");
    return true;
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
    printf("gui_latency: lateness of a 5 ms timer in the GUI thread, %d s per case\n",
           options.seconds);
    printf("goal: p99 <= %.0f ms and max <= %.0f ms\n", kGoalP99Ms, kGoalMaxMs);
    fflush(stdout);
    bool ok = true;
    for (const Case& c : kCases) {
        if (!options.only.isEmpty() && options.only != QLatin1String(c.name)) {
            continue;
        }
        SimProcess sim({"--port", "1", "--device", c.device, "--pace"});
        ok = report(c, sim.started() ? c.run(sim, options.seconds * 1000)
                                     : failed(QStringLiteral("nvq-can-sim did not start"))) &&
             ok;
        fflush(stdout);
    }
    return ok ? 0 : 1;
}
