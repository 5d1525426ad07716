#include <gtest/gtest.h>

#include <functional>
#include <utility>

#include "device/port_scan.h"
#include "sim/sim_port.h"
#include "support/qt_printers.h"

namespace {

// "COM3 19200 @02DN" for each ID first..last: the queries of one port at one baud rate.
QStringList queries(int port, const QString& baud, int first = 1, int last = 9) {
    QStringList out;
    for (int id = first; id <= last; ++id) {
        out << QStringLiteral("COM%1 %2 @%3DN").arg(port).arg(baud).arg(id, 2, 10, QChar('0'));
    }
    return out;
}

// Simulated COM ports and a scan on them, on the virtual clock.
struct ScanRig {
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
    // Every line written, with the port and baud rate it went out on.
    QStringList probes() const {
        QStringList out;
        for (const SimHub::WireLine& w : hub.wire_) {
            out << QStringLiteral("COM%1 %2 %3")
                       .arg(w.port)
                       .arg(w.baud)
                       .arg(QString::fromLatin1(w.line.chopped(1)));
        }
        return out;
    }

    SimHub hub;
    PortScan scan{std::make_unique<SimPort>(hub)};
    int ticks = 0;
    int maxProgress = 0;
};

class PortScanTest : public ::testing::Test, protected ScanRig {};

TEST_F(PortScanTest, ChecksEachPortWithTheDeviceOpeningOrder) {
    hub.addPort(2);
    scan.reset();
    scan.tick();
    scan.tick();
    EXPECT_EQ(dynamic_cast<SimPort&>(scan.port()).calls,
              QStringList({"threshold 1", "input length 1", "settings 9600,N,8,1", "dtr 0",
                           "port 1", "open",  // no port 1: not marked
                           "threshold 1", "input length 1", "settings 9600,N,8,1", "dtr 0",
                           "port 2", "open", "close"}));
    EXPECT_EQ(scan.AvailablePort, 2);
    EXPECT_TRUE(hub.open_.isEmpty());
}

// Ports 1 and 3 exist; a device with ID 02 at 19200 baud is on port 3. Single mode stops at it,
// collect mode asks every ID at every baud rate; each unanswered query waits 31 reads of 2 ms.
TEST_F(PortScanTest, TwoPortExampleInBothModes) {
    QStringList port1, port3;
    for (const char* baud : {"9600", "19200", "38400", "57600", "115200"}) {
        port1 << queries(1, baud);
        port3 << queries(3, baud);
    }
    for (const bool all : {false, true}) {
        SCOPED_TRACE(all ? "collect" : "single");
        ScanRig rig;
        rig.hub.addPort(1);
        rig.hub.addPort(3).addDevice(2, 19200);
        EXPECT_EQ(rig.run(all), ScanTick::Finished);
        EXPECT_EQ(rig.scan.AvailablePort, 5);
        const QStringList sent = rig.probes();
        EXPECT_EQ(sent, port1 + (all ? port3 : port3.mid(0, 11)));
        EXPECT_EQ(rig.scan.SearchResult, !all);
        EXPECT_EQ(rig.scan.SearchAllString, all ? "Found on Com Port:3 Baud:19200 ID:02\r\n" : "");
        if (!all) {
            EXPECT_EQ(QStringList({QString::number(rig.scan.PortNumber), rig.scan.FoundBaud,
                                   rig.scan.FoundID}),
                      QStringList({"3", "19200", "02"}));
        }
        EXPECT_TRUE(rig.hub.open_.isEmpty());
        const qint64 silent = sent.size() - (all ? 0 : 1);
        EXPECT_GE(rig.hub.nowMs(), silent * 62);
        EXPECT_LT(rig.hub.nowMs(), (silent + 1) * 62);
    }
}

// The same two ports: 15 checks, 51 ticks for port 1, one for port 2, then port 3 up to 19200
// ID 02; progress stops at its maximum while the scan goes on over 15 ports.
TEST_F(PortScanTest, CaptionsAndProgressFollowTheScanUpToTheMaximum) {
    hub.addPort(1);
    hub.addPort(3).addDevice(2, 19200);
    scan.reset();
    QStringList shown;
    while (shown.size() < 2000 && scan.tick() == ScanTick::Continue) {
        shown << QStringLiteral("%1 %2").arg(scan.caption).arg(scan.progress);
    }
    shown << QStringLiteral("%1 %2").arg(scan.caption).arg(scan.progress);
    ASSERT_EQ(shown.size(), 15 + 51 + 1 + 1 + 10 + 3);
    // At tick 67 port 2 is passed over.
    const std::pair<int, const char*> expected[] = {
        {1, "Checking Port 1 30"},
        {15, "Checking Port 15 450"},
        {16, "Found Port 1. 480"},
        {17, "Trying Port 1, Baud:9600 490"},
        {26, "Trying Port 1, Baud:9600 ID:09 490"},
        {27, "Trying Port 1, Baud:19200 500"},
        {66, "Trying Port 1, Baud:115200 ID:09 530"},
        {67, "Trying Port 1, Baud:115200 ID:09 530"},
        {68, "Found Port 3. 560"},
        {81, "Trying Port 3, Baud:19200 ID:02 580"},
    };
    for (const auto& [tick, text] : expected) {
        EXPECT_EQ(shown[tick - 1], text) << "tick " << tick;
    }
    ScanRig all;
    for (int n = 1; n <= 15; ++n) {
        all.hub.addPort(n);
    }
    all.hub.bus(15)->addDevice(9, 115200);
    EXPECT_EQ(all.run(true), ScanTick::Finished);
    EXPECT_EQ(all.ticks, 15 + 15 * 51);
    EXPECT_EQ(all.maxProgress, 1000);
    EXPECT_EQ(all.scan.progress, 1000);
    EXPECT_EQ(all.hub.lines().size(), 15 * 45);
    EXPECT_EQ(all.scan.SearchAllString, "Found on Com Port:15 Baud:115200 ID:09\r\n");
}

// The device 01 on port 1 answers its one query at 9600 baud with these exact bytes: each line
// holding "KRB" within the answer is a find, in collect mode each is listed. A device slower
// than the wait answers after the next tick has begun (the timer's 100 ms between ticks): that
// answer is not taken for the next ID's. A device that never ends its line cannot hold the scan.
TEST_F(PortScanTest, OnlyALineWithKrbEndedByCrInTimeIsAFind) {
    const struct {
        QByteArray reply;
        int collected, delayMs;  // result lines in collect mode (a find in single mode when > 0)
        bool endless;
    } cases[] = {
        {"KRB01\r", 1, 0, false},   {"#01KRB01\r", 1, 0, false}, {"DEV01\r", 0, 0, false},
        {"krb01\r", 0, 0, false},   {"KRB01", 0, 0, false},      {"\rKRB01", 0, 0, false},
        {"K\rRB\r", 0, 0, false},   {"KRB01\r\r", 2, 0, false},  {"KRB01\rxx\r", 2, 0, false},
        {"xx\rKRB\r", 1, 0, false}, {"KRB01\r", 0, 80, false},   {"KRB01\r", 1, 0, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.reply.toStdString() + " after " + std::to_string(c.delayMs) + " ms" +
                     (c.endless ? ", endless" : ""));
        for (const bool all : {false, true}) {
            ScanRig rig;
            SimDevice& device = rig.hub.addPort(1).addDevice(1);
            device.faults.rawReplies = {c.reply};
            device.faults.replyDelayMs = c.delayMs;
            device.faults.endless = c.endless;
            EXPECT_EQ(rig.run(all, [&rig] { rig.hub.advanceUs(100'000); }), ScanTick::Finished);
            if (all) {
                EXPECT_EQ(rig.scan.SearchAllString,
                          QString("Found on Com Port:1 Baud:9600 ID:01\r\n").repeated(c.collected));
            } else {
                EXPECT_EQ(rig.scan.SearchResult, c.collected > 0);
            }
            EXPECT_EQ(rig.hub.lines().size(), all || c.collected == 0 ? 45 : 1);
        }
    }
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

}  // namespace
