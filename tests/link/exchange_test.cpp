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
    }

    ExchangeResult run(const QString& command, ExchangeOptions options = {}) {
        const qint64 start = hub->nowUs();
        ExchangeResult r = exchange(*port, "07", command, options);
        elapsedMs = (hub->nowUs() - start) / 1000;
        return r;
    }

    std::unique_ptr<SimHub> hub;
    SimDevice* device = nullptr;
    std::unique_ptr<SimPort> port;
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
    EXPECT_EQ(run("PX", {true, 2}).status, Status::NoReply);  // auto-response mode resends once
    EXPECT_EQ(hub->lines(), QStringList({"@07PX", "@07PX"}));
    EXPECT_EQ(elapsedMs, 202);
}

TEST_F(ExchangeTest, LateCharactersStartTheNextReply) {
    device->faults.replyDelayMs = 150;
    EXPECT_EQ(run("ID").status, Status::NoReply);
    device->faults.replyDelayMs = 0;
    EXPECT_EQ(run("VER").text, device->identity);  // the stale answer to "ID"
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
