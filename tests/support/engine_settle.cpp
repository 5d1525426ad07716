#include "support/engine_settle.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <atomic>
#include <memory>

#include "device/line_engine.h"
#include "device/window_relay.h"

bool settleEngines(bool allEvents) {
    return LineEngine::settle(allEvents);
}

void inWindowThread(const std::function<void()>& fn) {
    auto done = std::make_shared<std::atomic<bool>>(false);
    relayToWindow(QCoreApplication::instance(), [fn, done] {
        fn();
        *done = true;
    });
    QElapsedTimer elapsed;
    elapsed.start();
    while (!*done && elapsed.elapsed() < 10'000) {
        QThread::yieldCurrentThread();
    }
}
