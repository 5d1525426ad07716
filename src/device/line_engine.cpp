#include "device/line_engine.h"

#include <QCoreApplication>
#include <QMetaObject>
#include <chrono>
#include <deque>
#include <mutex>
#include <set>

namespace {

// Every engine alive, for allIdle(); and a count of what engines did, for waitForActivity().
struct Engines {
    std::mutex mutex;
    std::set<LineEngine*> alive;
    std::condition_variable activity;
    quint64 events = 0;
};

Engines& engines() {
    static Engines e;
    return e;
}

void noteActivity() {
    Engines& e = engines();
    {
        const std::lock_guard lock(e.mutex);
        ++e.events;
    }
    e.activity.notify_all();
}

// What engines hand to the application's main thread, oldest first. It goes through this queue,
// under a lock of the program's own, and the event posted for it carries nothing: Qt's posting
// orders the two threads too, but inside a library ThreadSanitizer cannot see into.
struct Relayed {
    QPointer<QObject> context;
    std::function<void()> fn;
    std::function<void()> ifGone;
};

struct Relays {
    std::mutex mutex;
    std::deque<Relayed> queue;
};

Relays& relays() {
    static Relays r;
    return r;
}

// One posted event per entry, so that each runs in its place among the thread's other events.
void runNextRelayed() {
    Relayed next;
    {
        const std::lock_guard lock(relays().mutex);
        if (relays().queue.empty()) {
            return;
        }
        next = std::move(relays().queue.front());
        relays().queue.pop_front();
    }
    if (next.context) {
        next.fn();
    } else if (next.ifGone) {
        next.ifGone();
    }
}

// Runs fn in the application's main thread unless context is gone by then. The windows that give
// jobs live there; the application object outlives every engine, and the check happens in the
// thread that destroys contexts, so it cannot race with their end.
void relay(const QPointer<QObject>& context, std::function<void()> fn,
           std::function<void()> ifGone = {}) {
    {
        const std::lock_guard lock(relays().mutex);
        relays().queue.push_back({context, std::move(fn), std::move(ifGone)});
    }
    QMetaObject::invokeMethod(
        QCoreApplication::instance(), [] { runNextRelayed(); }, Qt::QueuedConnection);
}

}  // namespace

LineEngine::Line::Line(LineEngine& engine, SerialPort& port) : engine_(engine), port_(port) {
    state_.beforeExchange = [this] { engine_.sendDueStop(*this); };
}

ExchangeResult LineEngine::Line::exchange(const QString& address, const QString& command,
                                          const ExchangeOptions& options) {
    return ::exchange(port_, state_, address, command, options);
}

void LineEngine::Line::show(std::function<void()> fn) {
    if (context_) {
        relay(context_, std::move(fn));
        noteActivity();
    }
}

void LineEngine::Line::waitFor(std::function<void()> fn) {
    auto waiting = std::make_shared<Waiting>();
    {
        const std::lock_guard lock(engine_.mutex_);
        if (engine_.closing_ || !context_) {
            throw Abandoned{};
        }
        engine_.waiting_ = waiting;
    }
    // Runs in the window's thread; the job may be gone by then (abandoned), the shared state not.
    const auto end = [waiting](bool answered) {
        {
            const std::lock_guard lock(waiting->mutex);
            (answered ? waiting->answered : waiting->abandoned) = true;
        }
        waiting->changed.notify_all();
    };
    relay(
        context_,
        [fn = std::move(fn), end, waiting] {
            {
                // Abandoned before its turn came (the window closed meanwhile): nothing is shown
                // for a job that has ended.
                const std::lock_guard lock(waiting->mutex);
                if (waiting->abandoned) {
                    return;
                }
            }
            fn();
            end(true);
        },
        [end] { end(false); });
    noteActivity();
    bool answered = false;
    {
        std::unique_lock lock(waiting->mutex);
        waiting->changed.wait(lock, [&] { return waiting->answered || waiting->abandoned; });
        answered = waiting->answered;
    }
    {
        const std::lock_guard lock(engine_.mutex_);
        engine_.waiting_.reset();
    }
    if (!answered) {
        throw Abandoned{};
    }
}

// A plain thread rather than a QThread: the engine needs no event loop (a job waits on the line,
// not on events), and its start and end are then ones ThreadSanitizer sees. Qt takes the thread
// on as its own the first time a Qt object is made in it.
LineEngine::LineEngine(std::function<std::unique_ptr<SerialPort>()> makePort)
    : thread_([this, makePort = std::move(makePort)] { run(makePort); }) {
    const std::lock_guard lock(engines().mutex);
    engines().alive.insert(this);
}

LineEngine::~LineEngine() {
    {
        const std::lock_guard lock(engines().mutex);
        engines().alive.erase(this);
    }
    std::deque<Entry> dropped;
    std::shared_ptr<Waiting> waiting;
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
        dropped.swap(queue_);
        waiting = waiting_;
    }
    changed_.notify_all();
    if (waiting) {
        {
            const std::lock_guard lock(waiting->mutex);
            waiting->abandoned = true;
        }
        waiting->changed.notify_all();
    }
    thread_.join();
    for (Entry& entry : dropped) {
        finish(entry);
    }
}

void LineEngine::post(Job job, QObject* context, std::function<void()> done) {
    Entry entry{std::move(job), context, std::move(done)};
    bool queued = false;
    {
        const std::lock_guard lock(mutex_);
        if (!closing_) {
            queue_.push_back(std::move(entry));
            queued = true;
        }
    }
    if (!queued) {
        finish(entry);
        return;
    }
    changed_.notify_all();
    noteActivity();
}

void LineEngine::stop(const QString& address, const QString& command) {
    const std::lock_guard lock(mutex_);
    stop_ = Stop{address, command};
    changed_.notify_all();
}

void LineEngine::waitForIdle() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return closing_ || (queue_.empty() && !running_ && !stop_); });
}

bool LineEngine::allIdle() {
    Engines& e = engines();
    const std::lock_guard lock(e.mutex);
    for (LineEngine* engine : e.alive) {
        const std::lock_guard engineLock(engine->mutex_);
        if (!engine->queue_.empty() || engine->running_ || engine->stop_) {
            return false;
        }
    }
    return true;
}

quint64 LineEngine::activity() {
    const std::lock_guard lock(engines().mutex);
    return engines().events;
}

void LineEngine::waitForActivity(int ms) {
    Engines& e = engines();
    std::unique_lock lock(e.mutex);
    const quint64 seen = e.events;
    e.activity.wait_for(lock, std::chrono::milliseconds(ms), [&] { return e.events != seen; });
}

void LineEngine::run(const std::function<std::unique_ptr<SerialPort>()>& makePort) {
    const std::unique_ptr<SerialPort> port = makePort();
    Line line(*this, *port);
    for (;;) {
        Entry entry;
        {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return closing_ || stop_ || !queue_.empty(); });
            if (closing_) {
                break;
            }
            if (!queue_.empty()) {
                entry = std::move(queue_.front());
                queue_.pop_front();
            }
            running_ = true;
        }
        line.context_ = entry.context;
        if (entry.job) {
            runEntry(line, entry);
        } else {
            stopIdleLine(line);
        }
        line.context_ = nullptr;
        {
            const std::lock_guard lock(mutex_);
            running_ = false;
        }
        changed_.notify_all();
        noteActivity();
    }
    try {
        port->close();
    } catch (const PortError&) {
        // A port that is gone is closed already.
    }
}

void LineEngine::stopIdleLine(Line& line) {
    try {
        sendDueStop(line);
    } catch (const Abandoned&) {
        // Closing: the loop ends at its next look.
    }
}

void LineEngine::runEntry(Line& line, Entry& entry) {
    try {
        entry.job(line);
    } catch (const Abandoned&) {
        // The engine is closing: the job ends after the exchange it had under way.
    } catch (const PortError&) {
        // The line failed under a job that used the port itself and did not handle it: the job
        // ends there; the next one meets the failed port in its own exchanges.
    }
    finish(entry);
}

void LineEngine::sendDueStop(Line& line) {
    std::optional<Stop> due;
    {
        const std::lock_guard lock(mutex_);
        if (closing_) {
            throw Abandoned{};
        }
        due.swap(stop_);
    }
    if (due) {
        ::exchange(line.port_, line.state_, due->address, due->command);
    }
}

void LineEngine::finish(Entry& entry) {
    if (entry.done && entry.context) {
        relay(entry.context, std::move(entry.done));
    }
}
