#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

#include "link/exchange.h"
#include "link/serial_port.h"

// One per open port: the port and its line state live in a thread of their own, and jobs run
// there one at a time, in the order they were given. A job is what must reach the wire without
// another's traffic in between: a click's commands, a polling tick, an upload, a download with its
// questions, a store, a scan probe, a terminal line. So the windows' thread never waits on the
// line, and the wire is the same as when each job ran in it.
//
// A stop jumps the queue: its command goes out right after the exchange under way, between two
// exchanges of the running job if need be, or at once when the line is idle.
class LineEngine {
  public:
    // What a job works with, in the engine's thread only.
    class Line {
      public:
        // One exchange on the line's state. Every exchange on state() sends a due stop first,
        // also one a policy or an operation makes itself.
        ExchangeResult exchange(const QString& address, const QString& command,
                                const ExchangeOptions& options = {});
        SerialPort& port() { return port_; }
        LineState& state() { return state_; }

        // Runs fn in the window's thread, after everything the job showed before, without
        // waiting for it: a display the job updates. Nothing runs when the job has no context
        // or the context is gone by then.
        void show(std::function<void()> fn);
        // Runs fn in the window's thread and waits for its result: a question, a message the
        // user must close first. The job is abandoned (ends there) when the engine closes
        // meanwhile or the job's context is gone; fn does not run when that happened before its
        // turn came.
        template <typename Result>
        Result ask(std::function<Result()> fn) {
            auto result = std::make_shared<std::optional<Result>>();
            waitFor([fn = std::move(fn), result] { *result = fn(); });
            return std::move(**result);
        }
        void ask(std::function<void()> fn) { waitFor(std::move(fn)); }

      private:
        friend class LineEngine;
        Line(LineEngine& engine, SerialPort& port);
        void waitFor(std::function<void()> fn);
        LineEngine& engine_;
        SerialPort& port_;
        LineState state_;
        QPointer<QObject> context_;  // the running job's
    };
    using Job = std::function<void(Line&)>;

    // makePort runs in the engine's thread, so that the port belongs to it.
    explicit LineEngine(std::function<std::unique_ptr<SerialPort>()> makePort);
    // Jobs not yet begun are dropped; a running job is abandoned after its exchange under way;
    // then the port is closed and the thread ends.
    ~LineEngine();
    LineEngine(const LineEngine&) = delete;
    LineEngine& operator=(const LineEngine&) = delete;

    // Queues a job. The context is the window the job works for; it lives in the application's
    // main thread (the window's thread). done, when given with a context, runs after the job in
    // that thread unless the context is gone by then, also after a job abandoned or dropped.
    void post(Job job, QObject* context = nullptr, std::function<void()> done = {});
    // The command goes out to the address before any further exchange; to "00" (every device,
    // none answers) it is written without waiting for a reply.
    void stop(const QString& address, const QString& command);
    // The same for a stop that is more than one plain exchange (a window's, through its own
    // policy): job runs before any further exchange, for context as a posted job would.
    void stop(Job job, QObject* context);
    // Drops the jobs given for context that have not begun (their done still runs): the presses
    // a stop overtakes must not start the axis again after it.
    void dropQueued(QObject* context);
    // Waits until every job given so far has run (or been dropped). Not from the thread of a
    // context whose job may ask something: nothing would answer.
    void waitForIdle();

    // For tests and benches that drive windows: whether every engine alive has nothing to run
    // and no job under way; and a wait of at most ms for any engine to finish something or to
    // need its window's thread.
    static bool allIdle();
    static void waitForActivity(int ms);
    // How often any engine was given a job, finished one or needed a window's thread so far.
    static quint64 activity();
    // Runs the window's thread until every engine has nothing left to do: each job given has
    // run, its questions were answered, and what it showed and what follows it have run here,
    // including further jobs those gave. Only posted events run, no timers and no input, unless
    // allEvents. For tests, benches and test doubles that drive windows; the program never
    // waits like this. Called while the window answers a job's question (a test's script inside
    // a message box), it only runs what is posted: that job waits for the answer. False when
    // the engines were still busy after a minute.
    static bool settle(bool allEvents = false);

  private:
    struct Entry {
        Job job;
        QPointer<QObject> context;
        std::function<void()> done;
    };
    struct Stop {
        Job job;
        QPointer<QObject> context;
    };
    // Thrown inside a job's exchange or question once the engine is closing: ends the job there.
    struct Abandoned {};
    // A job's question waiting for the window's thread.
    struct Waiting {
        std::mutex mutex;
        std::condition_variable changed;
        bool answered = false;
        bool abandoned = false;
    };

    void run(const std::function<std::unique_ptr<SerialPort>()>& makePort);
    void runEntry(Line& line, Entry& entry);
    void stopIdleLine(Line& line);
    void sendDueStop(Line& line);
    static void finish(Entry& entry);

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Entry> queue_;
    std::optional<Stop> stop_;
    bool running_ = false;  // a job, or a stop on an idle line, runs now
    bool closing_ = false;
    std::shared_ptr<Waiting> waiting_;
    std::thread thread_;
};
