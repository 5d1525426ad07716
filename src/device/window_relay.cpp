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

// Runs what waits whenever it is woken; the wake-up event itself is not looked at.
class Relay : public QObject {
  public:
    ~Relay() override {
        const std::lock_guard lock(calls().mutex);
        calls().receiver = nullptr;
    }

  protected:
    void customEvent(QEvent*) override {
        std::deque<Call> due;
        {
            const std::lock_guard lock(calls().mutex);
            due.swap(calls().queue);
        }
        for (Call& call : due) {
            if (call.context) {
                call.fn();
            } else if (call.ifGone) {
                call.ifGone();
            }
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
        const bool idle = calls().queue.empty();
        calls().queue.push_back({context, std::move(fn), std::move(ifGone)});
        if (idle) {
            wake = calls().receiver;
        }
    }
    if (wake != nullptr) {
        QCoreApplication::postEvent(wake, new QEvent(QEvent::User));
    }
}
