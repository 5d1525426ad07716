// click_latency: how long a click on "JOG+" waits while the main window polls a device at 9600
// baud on a paced line. Mouse press and release are posted to the button from another thread at
// random moments, so that they arrive in the middle of a tick as a user's click does; the wait
// ends when the handler writes its first line. The figure to compare it with is the length of
// one polling tick.
#include <QApplication>
#include <QMouseEvent>
#include <QPointingDevice>
#include <QRandomGenerator>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>

#include "bench_window.h"
#include "e2e/sim_process.h"
#include "link/qt_serial_port.h"

namespace {

struct Stats {
    QList<double> values;
    void add(double v) { values << v; }
    double max() const { return *std::max_element(values.begin(), values.end()); }
    double mean() const {
        double sum = 0;
        for (double v : values) {
            sum += v;
        }
        return sum / values.size();
    }
};

double nowMs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count() / 1000.0;
}

// A button and where a click on it lands, worked out on the window's own thread.
struct Target {
    QWidget* button;
    QPointF at;
    QPointF global;
};

Target target(QWidget* button) {
    // The mouse events' device is made on first use; make it here, not on the clicking thread.
    QPointingDevice::primaryPointingDevice();
    const QPointF at = QRectF(button->rect()).center();
    return {button, at, button->mapToGlobal(at)};
}

// Posting events is safe from any thread; the window handles them when its loop gets to them.
void postClick(const Target& t) {
    QCoreApplication::postEvent(
        t.button, new QMouseEvent(QEvent::MouseButtonPress, t.at, t.global, Qt::LeftButton,
                                  Qt::LeftButton, Qt::NoModifier));
    QCoreApplication::postEvent(
        t.button, new QMouseEvent(QEvent::MouseButtonRelease, t.at, t.global, Qt::LeftButton,
                                  Qt::NoButton, Qt::NoModifier));
}

}  // namespace

int main(int argc, char* argv[]) {
    quietSerialNotifierWarnings();
    preferOffscreen();
    QApplication app(argc, argv);
    const int clicks = argc > 1 ? std::max(1, atoi(argv[1])) : 30;
    SimProcess sim({"--port", "1", "--device", "1:9600", "--pace"});
    if (!sim.started()) {
        fprintf(stderr, "click_latency: nvq-can-sim did not start\n");
        return 1;
    }
    LineCounts counts;
    BenchWindow bench(counts);
    if (!bench.startPolling(9600)) {
        return 1;
    }

    Stats ticks;
    Stats waits;
    double lastTickStart = -1;
    std::atomic<double> clickedAt{-1};
    std::atomic<int> acted{0};
    counts.onWrite = [&](const QByteArray& data) {
        const double now = nowMs();
        if (data.endsWith("AR\r")) {
            if (lastTickStart >= 0) {
                ticks.add(now - lastTickStart);
            }
            lastTickStart = now;
        } else if (clickedAt >= 0 && data.contains("HSPD=")) {
            waits.add(now - clickedAt);
            clickedAt = -1;
            ++acted;
        }
    };
    const Target jog = target(bench.form.control.JOGP);
    const Target stop = target(bench.form.control.ISTOP);
    std::atomic<bool> done{false};
    std::thread user([&] {
        QRandomGenerator random(7);
        for (int i = 0; i < clicks; ++i) {
            std::this_thread::sleep_for(std::chrono::milliseconds(150 + random.bounded(400)));
            clickedAt = nowMs();
            postClick(i % 2 == 0 ? jog : stop);
            // The next click only after this one was acted on (or a second at most).
            for (int w = 0; w < 1000 && clickedAt >= 0; ++w) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
        }
        done = true;
    });
    while (!done) {
        runEventLoopFor(50);
    }
    user.join();
    bench.form.close();
    if (acted != clicks) {
        fprintf(stderr, "click_latency: only %d of %d clicks were acted on within a second\n",
                acted.load(), clicks);
        return 1;
    }
    printf("polling tick at 9600 baud: mean %.1f ms, longest %.1f ms (%d ticks)\n", ticks.mean(),
           ticks.max(), int(ticks.values.size()));
    printf("click to first command:    mean %.1f ms, longest %.1f ms (%d clicks)\n", waits.mean(),
           waits.max(), int(waits.values.size()));
    printf("longest wait / longest tick: %.2f\n", waits.max() / ticks.max());
    return 0;
}
