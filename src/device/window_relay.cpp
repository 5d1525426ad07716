#include "device/window_relay.h"

#include <QCoreApplication>
#include <QEvent>
#include <deque>
#include <mutex>

namespace {

struct Call {
    QPointer<QObject> context;
    std::function<void()> fn;
    std::function<void()> ifGone;
};

class Relay;

struct Calls {
    std::mutex mutex;
    std::deque<Call> queue;
    Relay* receiver = nullptr;  // lives in the main thread, a child of the application
};

Calls& calls() {
    static Calls c;
    return c;
}

// Runs the oldest call that waits each time it is woken, one wake-up per call: a call that opens
// a message box runs a nested event loop, and the calls behind it must still keep their order.
// The wake-up event itself is not looked at.
class Relay : public QObject {
  public:
    ~Relay() override {
        const std::lock_guard lock(calls().mutex);
        calls().receiver = nullptr;
    }

  protected:
    void customEvent(QEvent*) override {
        Call call;
        {
            const std::lock_guard lock(calls().mutex);
            if (calls().queue.empty()) {
                return;
            }
            call = std::move(calls().queue.front());
            calls().queue.pop_front();
        }
        if (call.context) {
            call.fn();
        } else if (call.ifGone) {
            call.ifGone();
        }
    }
};

}  // namespace

void prepareWindowRelay() {
    QCoreApplication* app = QCoreApplication::instance();
    const std::lock_guard lock(calls().mutex);
    if (calls().receiver == nullptr && app != nullptr) {
        calls().receiver = new Relay;
        calls().receiver->setParent(app);
    }
}

void relayToWindow(const QPointer<QObject>& context, std::function<void()> fn,
                   std::function<void()> ifGone) {
    Relay* wake = nullptr;
    {
        const std::lock_guard lock(calls().mutex);
        calls().queue.push_back({context, std::move(fn), std::move(ifGone)});
        wake = calls().receiver;
    }
    if (wake != nullptr) {
        QCoreApplication::postEvent(wake, new QEvent(QEvent::User));
    }
}
