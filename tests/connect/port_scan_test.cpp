#include <gtest/gtest.h>

#include <functional>

#include "connect/port_scan.h"
#include "sim/sim_port.h"
#include "support/qt_printers.h"

namespace {

const QStringList kBauds = {"9600", "19200", "38400", "57600", "115200"};

// "COM3 19200 @02DN" for each ID first..last: the queries of one port at one baud rate.
QStringList queries(int port, const QString& baud, int first = 1, int last = 9) {
    QStringList out;
    for (int id = first; id <= last; ++id) {
        out << QStringLiteral("COM%1 %2 @%3DN").arg(port).arg(baud).arg(id, 2, 10, QChar('0'));
    }
    return out;
}

// Every ID at every baud rate of a port.
QStringList wholePort(int port) {
    QStringList out;
    for (const QString& baud : kBauds) {
        out << queries(port, baud);
    }
    return out;
}

// Every line written, with the port and baud rate it went out on.
QStringList probes(const SimHub& hub) {
    QStringList out;
    for (const SimHub::WireLine& w : hub.wire_) {
        out << QStringLiteral("COM%1 %2 %3")
                   .arg(w.port)
                   .arg(w.baud)
                   .arg(QString::fromLatin1(w.line.chopped(1)));
    }
    return out;
}

// Simulated COM ports and a scan on them, on the virtual clock.
struct ScanRig {
    SimPort& port() { return dynamic_cast<SimPort&>(scan.port()); }

    // Runs the scan tick by tick, as its window's timer would, until it ends; beforeTick runs
    // before every tick. Returns the outcome of the last tick.
    ScanTick run(bool all, const std::function<void()>& beforeTick = {}) {
        scan.reset();
        scan.SearchAll = all;
        for (int i = 0; i < 2000; ++i) {
            if (beforeTick) {
                beforeTick();
            }
            const ScanTick outcome = scan.tick();
            ++ticks;
            maxProgress = std::max(maxProgress, scan.progress);
            if (outcome != ScanTick::Continue) {
                return outcome;
            }
        }
        ADD_FAILURE() << "the scan did not end";
        return ScanTick::Continue;
    }

    SimHub hub;
    PortScan scan{std::make_unique<SimPort>(hub)};
    int ticks = 0;
    int maxProgress = 0;
};

class PortScanTest : public ::testing::Test, protected ScanRig {};

TEST_F(PortScanTest, NoPortAtAllEndsWithNoPortAvailable) {
    scan.reset();
    for (int n = 1; n <= 15; ++n) {
        ASSERT_EQ(scan.tick(), ScanTick::Continue);
        EXPECT_EQ(scan.caption, QStringLiteral("Checking Port %1").arg(n));
        EXPECT_EQ(scan.progress, n * 30);
    }
    EXPECT_EQ(scan.tick(), ScanTick::NoPortAvailable);
    EXPECT_EQ(scan.AvailablePort, 0);
    EXPECT_FALSE(scan.SearchResult);
    EXPECT_TRUE(hub.wire_.isEmpty());
}

TEST_F(PortScanTest, ChecksEachPortWithTheDeviceOpeningOrder) {
    hub.addPort(2);
    scan.reset();
    scan.tick();
    scan.tick();
    EXPECT_EQ(port().calls, QStringList({"threshold 1", "input length 1", "settings 9600,N,8,1",
                                         "dtr 0", "port 1", "open",  // no port 1: not marked
                                         "threshold 1", "input length 1", "settings 9600,N,8,1",
                                         "dtr 0", "port 2", "open", "close"}));
    EXPECT_EQ(scan.AvailablePort, 2);
    EXPECT_TRUE(hub.open_.isEmpty());
}

// Ports 1 and 3 exist; a device with ID 02 at 19200 baud is on port 3.
TEST_F(PortScanTest, TwoPortExampleInBothModes) {
    const struct {
        bool all;
        QStringList probes;
        bool result;
        QString found;
    } cases[] = {
        {false, wholePort(1) + queries(3, "9600") + queries(3, "19200", 1, 2), true, ""},
        {true,
         wholePort(1) + queries(3, "9600") + queries(3, "19200") + queries(3, "38400") +
             queries(3, "57600") + queries(3, "115200"),
         false, "Found on Com Port:3 Baud:19200 ID:02\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.all ? "collect" : "single");
        ScanRig rig;
        rig.hub.addPort(1);
        rig.hub.addPort(3).addDevice(2, 19200);
        EXPECT_EQ(rig.run(c.all), ScanTick::Finished);
        EXPECT_EQ(rig.scan.AvailablePort, 5);
        const QStringList sent = probes(rig.hub);
        EXPECT_EQ(sent, c.probes);
        EXPECT_EQ(rig.scan.SearchResult, c.result);
        EXPECT_EQ(rig.scan.SearchAllString, c.found);
        if (c.result) {
            EXPECT_EQ(rig.scan.PortNumber, 3);
            EXPECT_EQ(rig.scan.FoundBaud, "19200");
            EXPECT_EQ(rig.scan.FoundID, "02");
        }
        EXPECT_TRUE(rig.hub.open_.isEmpty());
        // Each unanswered query waits 31 empty reads of 2 ms.
        const qint64 silent = sent.size() - (c.all ? 0 : 1);
        EXPECT_GE(rig.hub.nowMs(), silent * 62);
        EXPECT_LT(rig.hub.nowMs(), (silent + 1) * 62);
    }
}

TEST_F(PortScanTest, CaptionsAndProgressFollowTheScan) {
    hub.addPort(1);
    hub.addPort(3).addDevice(2, 19200);
    scan.reset();
    QList<QPair<QString, int>> shown;
    ScanTick outcome = ScanTick::Continue;
    while (outcome == ScanTick::Continue && shown.size() < 2000) {
        outcome = scan.tick();
        shown.append({scan.caption, scan.progress});
    }
    // 15 checks, 51 ticks for port 1, one for port 2, then port 3 up to 19200 ID 02.
    ASSERT_EQ(shown.size(), 15 + 51 + 1 + 1 + 10 + 3);
    const struct {
        int tick;
        const char* caption;
        int progress;
    } expected[] = {
        {15, "Checking Port 15", 450},
        {16, "Found Port 1.", 480},
        {17, "Trying Port 1, Baud:9600", 490},
        {18, "Trying Port 1, Baud:9600 ID:01", 490},
        {26, "Trying Port 1, Baud:9600 ID:09", 490},
        {27, "Trying Port 1, Baud:19200", 500},
        {66, "Trying Port 1, Baud:115200 ID:09", 530},
        {67, "Trying Port 1, Baud:115200 ID:09", 530},  // port 2 is passed over
        {68, "Found Port 3.", 560},
        {79, "Trying Port 3, Baud:19200", 580},
        {81, "Trying Port 3, Baud:19200 ID:02", 580},
    };
    for (const auto& e : expected) {
        EXPECT_EQ(shown[e.tick - 1].first, e.caption) << "tick " << e.tick;
        EXPECT_EQ(shown[e.tick - 1].second, e.progress) << "tick " << e.tick;
    }
}

TEST_F(PortScanTest, TwoDevicesOnOnePort) {
    SimBus& bus = hub.addPort(3);
    bus.addDevice(4);
    bus.addDevice(1);
    EXPECT_EQ(run(false), ScanTick::Finished);
    EXPECT_TRUE(scan.SearchResult);
    EXPECT_EQ(scan.FoundID, "01");
    EXPECT_EQ(scan.PortNumber, 3);

    EXPECT_EQ(run(true), ScanTick::Finished);
    EXPECT_EQ(scan.SearchAllString,
              "Found on Com Port:3 Baud:9600 ID:01\r\nFound on Com Port:3 Baud:9600 ID:04\r\n");
}

TEST_F(PortScanTest, DevicesAboveIdNineAreNeverAsked) {
    hub.addPort(2).addDevice(10);
    hub.addPort(4).addDevice(23, 115200);
    for (bool all : {false, true}) {
        EXPECT_EQ(run(all), ScanTick::Finished);
        EXPECT_FALSE(scan.SearchResult);
        EXPECT_EQ(scan.SearchAllString, "");
    }
    for (const QString& line : probes(hub)) {
        EXPECT_TRUE(line.endsWith("DN") && line.contains(" @0")) << line.toStdString();
    }
}

// The device 01 on port 1 answers its one query at 9600 baud with these exact bytes.
TEST_F(PortScanTest, OnlyALineWithKrbEndedByCrMatches) {
    const struct {
        QByteArray reply;
        int collected;  // result lines in collect mode; single mode finds the device when > 0
    } cases[] = {
        {"KRB01\r", 1}, {"#01KRB01\r", 1}, {"DEV01\r", 0},   {"krb01\r", 0},     {"KRB01", 0},
        {"\rKRB01", 0}, {"K\rRB\r", 0},    {"KRB01\r\r", 2}, {"KRB01\rxx\r", 2}, {"xx\rKRB\r", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply.toStdString());
        for (bool all : {false, true}) {
            ScanRig rig;
            rig.hub.addPort(1).addDevice(1).faults.rawReplies = {c.reply};
            EXPECT_EQ(rig.run(all), ScanTick::Finished);
            if (all) {
                EXPECT_EQ(rig.scan.SearchAllString.count("Found on Com Port:1 Baud:9600 ID:01\r\n"),
                          c.collected);
                EXPECT_EQ(rig.scan.SearchAllString.count("\r\n"), c.collected);
            } else {
                EXPECT_EQ(rig.scan.SearchResult, c.collected > 0);
                EXPECT_EQ(rig.hub.lines().size(), c.collected > 0 ? 1 : 45);
            }
        }
    }
}

// A device slower than the wait answers after the next tick has begun; that answer is not taken
// for the next ID's.
TEST_F(PortScanTest, ALateAnswerIsNotCreditedToTheNextId) {
    hub.addPort(1).addDevice(1).faults.replyDelayMs = 80;
    run(false, [this] { hub.advanceUs(100'000); });  // the timer's 100 ms between ticks
    EXPECT_FALSE(scan.SearchResult);
    EXPECT_EQ(hub.lines().size(), 45);
}

TEST_F(PortScanTest, ADeviceThatNeverEndsItsLineCannotHoldTheScan) {
    hub.addPort(1).addDevice(1).faults.endless = true;
    EXPECT_EQ(run(true), ScanTick::Finished);
    EXPECT_EQ(scan.SearchAllString, "Found on Com Port:1 Baud:9600 ID:01\r\n");
    EXPECT_EQ(hub.lines().size(), 45);
}

// Ports 1 and 3; device 01 on port 1 is found before the scan is cancelled on port 3.
TEST_F(PortScanTest, CancelEndsTheScanAtTheNextTickInEveryStep) {
    for (int step : {1, 2, 3, 4}) {
        SCOPED_TRACE(step);
        ScanRig rig;
        rig.hub.addPort(1).addDevice(1);
        rig.hub.addPort(3).addDevice(2);
        const bool early = step <= 2;
        qsizetype written = -1;
        // Cancel as the user would between two ticks, once the scan is in the step.
        const auto cancelInStep = [&] {
            if (written < 0 && rig.scan.Step == step && (early || rig.scan.PortNumber == 3)) {
                rig.scan.StartSearch = false;
                written = rig.hub.wire_.size();
            }
        };
        EXPECT_EQ(rig.run(true, cancelInStep), ScanTick::Finished);
        EXPECT_EQ(rig.hub.wire_.size(), written);
        EXPECT_TRUE(rig.hub.open_.isEmpty());
        EXPECT_FALSE(rig.scan.SearchResult);
        EXPECT_EQ(rig.scan.SearchAllString, early ? "" : "Found on Com Port:1 Baud:9600 ID:01\r\n");
    }
}

TEST_F(PortScanTest, ProgressStopsAtItsMaximumAndTheScanGoesOn) {
    for (int n = 1; n <= 15; ++n) {
        hub.addPort(n);
    }
    hub.bus(15)->addDevice(9, 115200);
    EXPECT_EQ(run(true), ScanTick::Finished);
    EXPECT_EQ(ticks, 15 + 15 * 51);
    EXPECT_EQ(maxProgress, 1000);
    EXPECT_EQ(scan.progress, 1000);
    EXPECT_EQ(hub.lines().size(), 15 * 45);
    EXPECT_EQ(scan.SearchAllString, "Found on Com Port:15 Baud:115200 ID:09\r\n");
}

// Port 1 is there at the check and gone later; the scan passes on to port 3 and finds its device.
TEST_F(PortScanTest, APortLostAfterTheCheckIsPassedOver) {
    const struct {
        const char* name;
        std::function<bool(const PortScan&)> lostNow;
        int linesOnPort1;
    } cases[] = {
        {"open fails", [](const PortScan& s) { return s.Step == 3; }, 0},
        {"query fails", [](const PortScan& s) { return s.Step == 4 && s.idi == 2; }, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ScanRig rig;
        rig.hub.addPort(1);
        rig.hub.addPort(3).addDevice(2, 19200);
        const auto loseWhenDue = [&] {
            if (rig.scan.PortNumber == 1 && c.lostNow(rig.scan)) {
                rig.hub.vanish(1);
            }
        };
        EXPECT_EQ(rig.run(false, loseWhenDue), ScanTick::Finished);
        EXPECT_TRUE(rig.scan.SearchResult);
        EXPECT_EQ(rig.scan.PortNumber, 3);
        EXPECT_EQ(rig.hub.lines(1).size(), c.linesOnPort1);
        EXPECT_EQ(rig.hub.lines(3).size(), 11);
        EXPECT_TRUE(rig.hub.open_.isEmpty());
    }
}

}  // namespace
