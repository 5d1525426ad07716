#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <atomic>

#include "device/line_engine.h"
#include "sim/sim_port.h"
#include "support/engine_settle.h"
#include "support/qt_printers.h"
#include "support/sim_rig.h"

namespace {

// An engine on COM1 with devices 05 and 06 behind it, at 9600 baud on the simulated line.
class LineEngineTest : public ::testing::Test {
  protected:
    LineEngineTest() {
        SimBus& bus = hub.addPort(1);
        bus.addDevice(5, 9600);
        bus.addDevice(6, 9600);
    }
    ~LineEngineTest() override { hub.afterLine = nullptr; }

    void start() {
        engine = std::make_unique<LineEngine>([this] {
            engineThread = QThread::currentThread();
            auto port = std::make_unique<SimPort>(hub);
            openPort(*port, 1, "9600");
            return port;
        });
    }
    // A job of one exchange per command, each reply appended to replies.
    LineEngine::Job commands(const QString& address, const QStringList& list) {
        return [this, address, list](LineEngine::Line& line) {
            for (const QString& c : list) {
                replies << line.exchange(address, c).text;
            }
        };
    }
    // Runs the events posted to this thread until the condition holds (bounded).
    static bool processUntil(const std::function<bool()>& done) {
        for (int i = 0; i < 1000 && !done(); ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        }
        return done();
    }

    SimHub hub;
    std::unique_ptr<LineEngine> engine;
    QThread* engineThread = nullptr;
    QStringList replies;  // written by jobs, read after waitForIdle
};

// Jobs given from two windows at once reach the wire whole and in the order given.
TEST_F(LineEngineTest, JobsNeverInterleaveOnTheWire) {
    start();
    QStringList expected;
    for (int i = 0; i < 20; ++i) {
        const QString address = i % 2 ? "06" : "05";
        const QStringList job = {"PX", "EX", QString("DN")};
        engine->post(commands(address, job));
        expected += framed(address, job);
    }
    engine->waitForIdle();
    EXPECT_EQ(hub.lines(), expected);
    EXPECT_EQ(replies.count("KRB05"), 10);
    EXPECT_EQ(replies.count("KRB06"), 10);
    EXPECT_NE(engineThread, QThread::currentThread());
}

// A stop goes out right after the exchange under way, between two exchanges of the running job;
// on an idle line at once. Jobs queued behind it keep their turn.
TEST_F(LineEngineTest, AStopGoesOutBetweenTwoExchangesOfTheRunningJob) {
    const struct {
        const char* what;
        QByteArray stopAfter;  // the line after which the stop is pressed
        QStringList wire;
    } cases[] = {
        {"in the middle", "@05J+", framed("05", {"ACC=300", "J+", "ABORT", "PX", "EX", "DN"})},
        {"on the last line", "@05EX", framed("05", {"ACC=300", "J+", "PX", "EX", "ABORT", "DN"})},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        hub.clearLines();
        start();
        std::atomic<bool> stopped = false;
        hub.afterLine = [&, line = c.stopAfter](const QByteArray& written) {
            if (written == line && !stopped.exchange(true)) {
                engine->stop("05", "ABORT");
            }
        };
        engine->post(commands("05", {"ACC=300", "J+", "PX", "EX"}));
        engine->post(commands("05", {"DN"}));
        engine->waitForIdle();
        EXPECT_EQ(hub.lines(), c.wire);
        hub.afterLine = nullptr;
        engine.reset();
    }
    hub.clearLines();
    start();
    engine->stop("05", "ABORT");
    engine->waitForIdle();
    EXPECT_EQ(hub.lines(), framed("05", {"ABORT"}));
}

// "00" reaches every device and none answers: the stop is written and the job goes on at once,
// without a wait for a reply that never comes and without an unanswered count.
TEST_F(LineEngineTest, ABroadcastStopIsWrittenWithoutWaitingForAReply) {
    hub.pacing = true;
    start();
    std::atomic<bool> stopped = false;
    std::atomic<qint64> abortAt = -1, nextAt = -1;
    hub.afterLine = [&](const QByteArray& written) {
        if (written == "@05J+" && !stopped.exchange(true)) {
            engine->stop("00", "ABORT");
        } else if (written == "@00ABORT") {
            abortAt = hub.nowUs();
        } else if (abortAt >= 0 && nextAt < 0) {
            nextAt = hub.nowUs();
        }
    };
    quint64 unanswered = 99;
    engine->post(commands("05", {"J+", "PS"}));
    engine->post([&](LineEngine::Line& line) { unanswered = line.state().unanswered; });
    engine->waitForIdle();
    EXPECT_EQ(hub.lines(), QStringList({"@05J+", "@00ABORT", "@05PS"}));
    // The next frame follows the stop's own 9 characters on the line (9.4 ms at 9600 baud).
    EXPECT_LT(nextAt - abortAt, 12000);
    EXPECT_EQ(unanswered, 0u);
    EXPECT_EQ(replies.last(), "0");  // the axis has stopped
}

// An adapter pulled out in the middle of a job: each exchange after it reports the failure once
// to its job, the jobs behind it still run (and meet the same), and the engine stays usable.
TEST_F(LineEngineTest, APortLostInTheMiddleOfAJobFailsItsExchanges) {
    start();
    hub.vanishAfter(1, "@05PX");
    QList<ExchangeResult::Status> seen;
    engine->post([&](LineEngine::Line& line) {
        for (const QString c : {"ID", "PX", "EX"}) {
            const ExchangeResult r = line.exchange("05", c);
            seen << r.status;
            if (r.status == ExchangeResult::Status::PortFailure) {
                break;  // as a window's job does: one message, then it ends
            }
        }
    });
    engine->post([&](LineEngine::Line& line) { seen << line.exchange("05", "DN").status; });
    engine->waitForIdle();
    using S = ExchangeResult::Status;
    EXPECT_EQ(seen, (QList<S>{S::Reply, S::PortFailure, S::PortFailure}));
    EXPECT_EQ(hub.lines(), framed("05", {"ID", "PX"}));
}

// What follows a job runs in the window's thread, in order; closing the engine while a job runs
// ends that job after its exchange under way, drops the jobs behind it (their follow-ups still
// run) and closes the port. Nothing waits for a window that is gone.
TEST_F(LineEngineTest, ClosingWhileAJobRunsEndsItAfterItsExchange) {
    start();
    QObject window;
    QStringList followed;
    std::atomic<bool> inJob = false;
    hub.afterLine = [&](const QByteArray& written) {
        if (written == "@05EX") {
            inJob = true;
            QThread::msleep(50);  // the window closes meanwhile
        }
    };
    engine->post(commands("05", {"PX"}), &window, [&] { followed << "first"; });
    engine->post(commands("05", {"EX", "DN", "VER"}), &window, [&] { followed << "second"; });
    engine->post(commands("05", {"ID"}), &window, [&] { followed << "third"; });
    while (!inJob) {
        QThread::yieldCurrentThread();
    }
    engine.reset();
    EXPECT_EQ(hub.lines(), framed("05", {"PX", "EX"}));
    EXPECT_TRUE(hub.open_.isEmpty());
    EXPECT_TRUE(processUntil([&] { return followed.size() == 3; }));
    EXPECT_EQ(followed, QStringList({"first", "second", "third"}));

    start();
    {
        QObject gone;
        engine->post(commands("05", {"PX"}), &gone, [&] { followed << "never"; });
        engine->waitForIdle();
    }
    QCoreApplication::processEvents();
    EXPECT_EQ(followed.size(), 3);
}

// What a job shows and asks runs in the window's thread, in the job's order, and the job goes on
// with the answer; the window's thread is free meanwhile.
TEST_F(LineEngineTest, AJobsDisplaysAndQuestionsReachTheWindowInItsOrder) {
    start();
    QObject window;
    QStringList seen;
    QThread* asked = nullptr;
    engine->post(
        [&](LineEngine::Line& line) {
            const QString position = line.exchange("05", "PX").text;
            line.show([&, position] { seen << "shown " + position; });
            const bool yes = line.ask<bool>([&] {
                asked = QThread::currentThread();
                seen << "asked";
                return true;
            });
            line.exchange("05", yes ? "J+" : "J-");
            line.show([&] { seen << "shown after"; });
        },
        &window, [&] { seen << "done"; });
    ASSERT_TRUE(settleEngines());
    EXPECT_EQ(seen, QStringList({"shown 0", "asked", "shown after", "done"}));
    EXPECT_EQ(asked, QThread::currentThread());
    EXPECT_EQ(hub.lines(), framed("05", {"PX", "J+"}));
}

// A job waiting for an answer ends there when its window goes, or when the engine closes before
// the answer comes: nothing hangs, nothing more goes out, and a question whose job has ended is
// not shown, also while its window is still there.
TEST_F(LineEngineTest, AJobWaitingForAnAnswerEndsWhenItsWindowGoes) {
    for (const bool engineFirst : {false, true}) {
        SCOPED_TRACE(engineFirst ? "engine closed first" : "window gone first");
        hub.clearLines();
        start();
        auto window = std::make_unique<QObject>();
        std::atomic<bool> waiting = false;
        bool answered = false;
        const quint64 before = LineEngine::activity();
        engine->post(
            [&](LineEngine::Line& line) {
                line.exchange("05", "PX");
                waiting = true;
                line.ask([&] { answered = true; });
                line.exchange("05", "J+");
            },
            window.get());
        while (!waiting) {
            QThread::yieldCurrentThread();
        }
        if (engineFirst) {
            // The question is on its way to the window's thread (posting the job was the first
            // activity, the question the second) when the engine closes.
            for (int i = 0; i < 1000 && LineEngine::activity() < before + 2; ++i) {
                LineEngine::waitForActivity(5);
            }
            engine.reset();
            QCoreApplication::processEvents();
            window.reset();
        } else {
            window.reset();
            EXPECT_TRUE(settleEngines());
            engine.reset();
        }
        QCoreApplication::processEvents();
        EXPECT_FALSE(answered);
        EXPECT_EQ(hub.lines(), framed("05", {"PX"}));
        EXPECT_TRUE(hub.open_.isEmpty());
    }
}

}  // namespace
