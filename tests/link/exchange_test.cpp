#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include "link/exchange.h"
#include "sim/sim_port.h"

namespace {

using Status = ExchangeResult::Status;

class ExchangeTest : public ::testing::Test {
  protected:
    void SetUp() override { open(); }

    // A fresh line at 9600 with device 07 on it.
    void open() {
        port.reset();  // a port belongs to its hub: release it first
        hub = std::make_unique<SimHub>();
        device = &hub->addPort(1).addDevice(7, 9600);
        port = std::make_unique<SimPort>(*hub);
        openPort(*port, 1, "9600");
        line = LineState{};
    }

    ExchangeResult run(const QString& command, ExchangeOptions options = {}) {
        const qint64 start = hub->nowUs();
        ExchangeResult r = exchange(*port, line, "07", command, options);
        elapsedMs = (hub->nowUs() - start) / 1000;
        return r;
    }

    std::unique_ptr<SimHub> hub;
    SimDevice* device = nullptr;
    std::unique_ptr<SimPort> port;
    LineState line;
    qint64 elapsedMs = 0;
};

TEST_F(ExchangeTest, WritesTheFrameAndReturnsThePayload) {
    EXPECT_EQ(run("VER").text, device->version);
    EXPECT_EQ(hub->wire_.at(0).line, QByteArray("@07VER\r"));
    // Replies lose "#" and the address; a line feed belongs to the reply. In auto-response mode
    // the payload follows the first "P" (the next line is appended when none does yet) and a line
    // without "$" is returned as it is; outside that mode nothing is scanned.
    const struct {
        QByteArray raw;
        bool arMode;
        QString text;
    } cases[] = {
        {"#07V322\r", false, "V322"}, {"V322\r", false, "V322"},   {"\r", false, ""},
        {"#0\r", false, ""},          {"#07\r", false, ""},        {"#07#01X\r", false, "#01X"},
        {"a#07\r", false, "a#07"},    {"AB\nC\r", false, "AB\nC"}, {"$P123\r", false, "$P123"},
        {"$P123\r", true, "123"},     {"1P$\r", true, "$"},        {"#07$P9\r", true, "9"},
        {"$12P\r456\r", true, "456"}, {"NOPE\r", true, "NOPE"},    {"P\r", true, "P"},
    };

    for (const auto& c : cases) {
        SCOPED_TRACE(c.raw.constData());
        device->faults.rawReplies = {c.raw};
        const ExchangeResult r = run("PX", {c.arMode, c.arMode ? 2 : 1});
        EXPECT_EQ(r.status, Status::Reply);
        EXPECT_EQ(r.text, c.text);
    }
}

TEST_F(ExchangeTest, SpecialCommandsWaitBeforeReading) {
    const struct {
        const char* command;
        qint64 ms;
    } cases[] = {
        {"STORE", 200}, {"STORE1", 0},   {"store", 0},   {"DN=05", 200},
        {"DN", 0},      {"ZHOME", 200},  {"SR=1", 1000}, {"sr=1", 0},
        {"ZSR", 1200},  {"DN=SR", 1200}, {"XSTORE", 0},  {"PX", 0},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(commandDelayMs(c.command), c.ms) << c.command;
        run(c.command);
        EXPECT_EQ(elapsedMs, c.ms) << c.command;
    }
}

TEST_F(ExchangeTest, SilenceEndsAfter101EmptyReadsPerAttempt) {
    device->faults.silent = true;
    EXPECT_EQ(run("PX").status, Status::NoReply);
    EXPECT_EQ(elapsedMs, 101);
    EXPECT_EQ(hub->lines().size(), 1);
    hub->clearLines();
    // Auto-response mode resends once; before it the line is given its silence limit to fall
    // quiet, as the answer to the first command may still be on its way.
    EXPECT_EQ(run("PX", {true, 2}).status, Status::NoReply);
    EXPECT_EQ(hub->lines(), QStringList({"@07PX", "@07PX"}));
    EXPECT_EQ(elapsedMs, 101 + 202);
}

// What comes after its own exchange has ended, or was never asked for, is not the reply of the
// next command: each command below gets its own answer. Auto-response "$" lines still start the
// next reply in that mode. A healthy line pays nothing for this (the special-delay test times it).
TEST_F(ExchangeTest, NoAnswerIsTakenForALaterCommandsReply) {
    const struct {
        const char* what;
        QList<SimFaults::Late> late;
        QList<QByteArray> raw;  // the device's first replies, as bytes
        bool arMode;
        QString first;  // what the first command ("ID") gets; "" for no reply
        quint64 unanswered, dropped;
        qint64 lastMs;  // what the third command takes: more when the line was not settled
        bool pacing = false;
        int pauseMs = 0;  // time passing after the first command
    } cases[] = {
        {"answer 150 ms late", {{"ID", 150, 1}}, {}, false, "", 1, 1, 0},
        {"answer 190 ms late", {{"ID", 190, 1}}, {}, false, "", 1, 1, 0},
        {"late, re-sent", {{"ID", 150, 1}}, {}, true, "Stepvane-CAN", 0, 1, 0},
        {"two lines for one command", {}, {"A\rB\r"}, false, "A", 0, 1, 0},
        // No line came that could have been the missing answer: the wait for quiet goes on.
        {"a line cut short", {}, {"12"}, false, "", 1, 0, 101},
        {"report after the reply", {}, {"A\r$77STOP\r"}, true, "A", 0, 0, 0},
        {"report, mode off", {}, {"A\r$77STOP\r"}, false, "A", 0, 1, 0},
        // A device that streamed: however much waits before a command, none of it is a reply.
        {"3000 characters after the reply",
         {},
         {"A\r" + QByteArray(3000, 'x')},
         false,
         "A",
         0,
         1,
         0},
        {"600 lines after the reply",
         {},
         {"A\r" + QByteArray("B\r").repeated(600)},
         true,
         "A",
         0,
         600,
         0},
        {"a report among 3000 characters",
         {},
         {"A\r" + QByteArray(3000, 'x') + "\r$77STOP\r" + QByteArray(3000, 'y')},
         true,
         "A",
         0,
         2,
         0},
        // A line still arriving when the next command is due is let end first.
        {"a line still arriving",
         {},
         {"A\r" + QByteArray(200, 'y') + "\r"},
         false,
         "A",
         0,
         1,
         12,
         true,
         5},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        open();
        hub->pacing = c.pacing;
        device->faults.late = c.late;
        device->faults.rawReplies = c.raw;
        const ExchangeOptions options{c.arMode, c.arMode ? 2 : 1};
        const ExchangeResult first = run("ID", options);
        EXPECT_EQ(first.status, c.first.isEmpty() ? Status::NoReply : Status::Reply);
        EXPECT_EQ(first.text, c.first);
        device->faults.rawReplies.clear();
        hub->advanceUs(qint64{c.pauseMs} * 1000);
        EXPECT_EQ(run("VER", options).text, device->version);
        EXPECT_EQ(run("DN", options).text, "KRB07");
        EXPECT_EQ(elapsedMs, c.lastMs);
        EXPECT_EQ(line.exchanges, 3U);
        EXPECT_EQ(line.unanswered, c.unanswered);
        EXPECT_EQ(line.staleDropped, c.dropped);
    }
}

// An answer later than the wait for quiet (about 200 ms) is read once as the next command's
// reply; the answer that follows it is then dropped, and the line is back in step.
TEST_F(ExchangeTest, AnAnswerLaterThanTheWaitCostsOneReplyOnly) {
    for (const bool pacing : {false, true}) {
        SCOPED_TRACE(pacing);
        open();
        hub->pacing = pacing;
        device->faults.late = {{"ID", 250, 1}};
        EXPECT_EQ(run("ID").status, Status::NoReply);
        EXPECT_EQ(run("VER").text, "Stepvane-CAN");
        EXPECT_EQ(run("DN").text, "KRB07");
        EXPECT_EQ(run("VER").text, device->version);
    }
}

// A line that was just opened may hold anything: the first exchange lets it fall quiet first, and
// the wait for quiet is bounded also when the device never stops sending.
TEST_F(ExchangeTest, AnUnsettledLineIsGivenABoundedTimeToFallQuiet) {
    line.unsettled = true;
    EXPECT_EQ(run("VER").text, device->version);
    EXPECT_EQ(elapsedMs, 101);
    EXPECT_EQ(run("VER").text, device->version);
    EXPECT_EQ(elapsedMs, 0);

    // A device that streams without end after its reply: the wait before the next command ends
    // within about half a second, and the command's own reply still comes first.
    hub->pacing = true;
    device->faults.endless = true;
    EXPECT_EQ(run("VER").text, device->version);
    device->faults.endless = false;
    line.unsettled = true;
    EXPECT_EQ(run("PX").text, "0");
    EXPECT_GT(elapsedMs, 200);
    EXPECT_LT(elapsedMs, 600);
}

TEST_F(ExchangeTest, AStreamWithoutCarriageReturnIsBounded) {
    const struct {
        bool pacing;    // at the line's real pace
        int trickleMs;  // 90: never 101 empty reads in a row
        qint64 aboveMs, belowMs;
    } cases[] = {{false, 0, -1, 5000}, {true, 0, -1, 5000}, {false, 90, 2900, 3300}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.trickleMs);
        open();
        hub->pacing = c.pacing;
        device->faults.noCR = device->faults.endless = true;
        device->faults.trickleMs = c.trickleMs;
        EXPECT_EQ(run("PX").status, Status::NoReply);
        EXPECT_GT(elapsedMs, c.aboveMs);
        EXPECT_LT(elapsedMs, c.belowMs);
    }
}

TEST_F(ExchangeTest, PortFailureCarriesThePlatformDescription) {
    hub->vanish(1);
    ExchangeResult r = run("PX");
    EXPECT_EQ(r.status, Status::PortFailure);
    EXPECT_EQ(r.error, "Input/output error");
    port->close();
    r = run("PX");
    EXPECT_EQ(r.status, Status::PortFailure);
    EXPECT_EQ(r.error, "Port is not open");
}

}  // namespace
