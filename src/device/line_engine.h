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
        // One exchange on the line's state; a stop that is due goes out first.
        ExchangeResult exchange(const QString& address, const QString& command,
                                const ExchangeOptions& options = {});
        SerialPort& port() { return port_; }
        LineState& state() { return state_; }

      private:
        friend class LineEngine;
        Line(LineEngine& engine, SerialPort& port) : engine_(engine), port_(port) {}
        LineEngine& engine_;
        SerialPort& port_;
        LineState state_;
    };
    using Job = std::function<void(Line&)>;

    // makePort runs in the engine's thread, so that the port belongs to it.
    explicit LineEngine(std::function<std::unique_ptr<SerialPort>()> makePort);
    // Jobs not yet begun are dropped; a running job is abandoned after its exchange under way;
    // then the port is closed and the thread ends.
    ~LineEngine();
    LineEngine(const LineEngine&) = delete;
    LineEngine& operator=(const LineEngine&) = delete;

    // Queues a job. done, when given with a context, runs after it in context's thread (unless
    // context is gone by then), also after a job that was abandoned or dropped.
    void post(Job job, QObject* context = nullptr, std::function<void()> done = {});
    // The command goes out to the address before any further exchange.
    void stop(const QString& address, const QString& command);
    // Waits until every job given so far has run (or been dropped).
    void waitForIdle();

  private:
    struct Entry {
        Job job;
        QPointer<QObject> context;
        std::function<void()> done;
    };
    struct Stop {
        QString address;
        QString command;
    };
    // Thrown inside a job's exchange once the engine is closing: ends the job there.
    struct Abandoned {};

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
    std::thread thread_;
};
