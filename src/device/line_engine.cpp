#include "device/line_engine.h"

#include "device/window_relay.h"

#include <QCoreApplication>
#include <QElapsedTimer>
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

// How deep the window's thread is in answering jobs' questions (a message box's own loop).
thread_local int answering = 0;

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
        relayToWindow(context_, std::move(fn));
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
    relayToWindow(
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
            ++answering;
            fn();
            --answering;
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
LineEngine::LineEngine(std::function<std::unique_ptr<SerialPort>()> makePort) {
    // The receiver of what jobs hand to the window's thread exists before any job runs.
    prepareWindowRelay();
    thread_ = std::thread([this, makePort = std::move(makePort)] { run(makePort); });
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
    stop_ = Stop{[address, command](Line& line) {
                     if (address != QLatin1String("00")) {
                         line.exchange(address, command);
                         return;
                     }
                     // No device answers a broadcast: waiting for a reply would only hold up
                     // the next exchange and count one unanswered.
                     try {
                         sendBroadcast(line.port(), command);
                     } catch (const PortError&) {
                         line.state().unsettled = true;  // the next exchange meets the failure
                     }
                 },
                 nullptr};
    changed_.notify_all();
}

void LineEngine::stop(Job job, QObject* context) {
    const std::lock_guard lock(mutex_);
    stop_ = Stop{std::move(job), context};
    changed_.notify_all();
}

void LineEngine::dropQueued(QObject* context) {
    std::deque<Entry> dropped;
    {
        const std::lock_guard lock(mutex_);
        for (auto it = queue_.begin(); it != queue_.end();) {
            if (it->context == context) {
                dropped.push_back(std::move(*it));
                it = queue_.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (Entry& entry : dropped) {
        finish(entry);
    }
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

bool LineEngine::settle(bool allEvents) {
    const auto runEvents = [allEvents] {
        if (allEvents) {
            QCoreApplication::processEvents(QEventLoop::AllEvents);
        } else {
            QCoreApplication::sendPostedEvents();
        }
    };
    if (answering > 0) {
        // Inside a job's question the job waits for this very call to return: only what is
        // posted runs, the engines cannot settle before.
        runEvents();
        return true;
    }
    QElapsedTimer elapsed;
    elapsed.start();
    while (elapsed.elapsed() < 60'000) {
        runEvents();
        if (!allIdle()) {
            waitForActivity(allEvents ? 1 : 5);
            continue;
        }
        // What the last jobs showed and what follows them was posted before they counted as
        // done; it runs now. Settled when that gave no engine anything new.
        const quint64 before = activity();
        runEvents();
        if (activity() == before && allIdle()) {
            return true;
        }
    }
    return false;
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
    } catch (const PortError&) {
        // A stop that used the port itself met a failed line; the next job meets it too.
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
    if (!due) {
        return;
    }
    // The stop speaks for its own window, also in the middle of another's job.
    const QPointer<QObject> running = line.context_;
    line.context_ = due->context;
    try {
        due->job(line);
    } catch (...) {
        line.context_ = running;
        throw;
    }
    line.context_ = running;
}

void LineEngine::finish(Entry& entry) {
    if (entry.done && entry.context) {
        relayToWindow(entry.context, std::move(entry.done));
    }
}
