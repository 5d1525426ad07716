#include "device/line_engine.h"

#include <QMetaObject>

ExchangeResult LineEngine::Line::exchange(const QString& address, const QString& command,
                                          const ExchangeOptions& options) {
    engine_.sendDueStop(*this);
    return ::exchange(port_, state_, address, command, options);
}

// A plain thread rather than a QThread: the engine needs no event loop (a job waits on the line,
// not on events), and its start and end are then ones ThreadSanitizer sees. Qt takes the thread
// on as its own the first time a Qt object is made in it.
LineEngine::LineEngine(std::function<std::unique_ptr<SerialPort>()> makePort)
    : thread_([this, makePort = std::move(makePort)] { run(makePort); }) {}

LineEngine::~LineEngine() {
    std::deque<Entry> dropped;
    {
        const std::lock_guard lock(mutex_);
        closing_ = true;
        dropped.swap(queue_);
    }
    changed_.notify_all();
    thread_.join();
    for (Entry& entry : dropped) {
        finish(entry);
    }
}

void LineEngine::post(Job job, QObject* context, std::function<void()> done) {
    {
        const std::lock_guard lock(mutex_);
        if (!closing_) {
            queue_.push_back({std::move(job), context, std::move(done)});
            changed_.notify_all();
            return;
        }
    }
    Entry dropped{{}, context, std::move(done)};
    finish(dropped);
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
        if (entry.job) {
            runEntry(line, entry);
        } else {
            stopIdleLine(line);
        }
        {
            const std::lock_guard lock(mutex_);
            running_ = false;
        }
        changed_.notify_all();
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
        QMetaObject::invokeMethod(entry.context, std::move(entry.done), Qt::QueuedConnection);
    }
}
