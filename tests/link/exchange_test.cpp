#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include "link/exchange.h"
#include "sim/sim_port.h"

namespace {

using Status = ExchangeResult::Status;

class ExchangeTest : public ::testing::Test {
  protected:
    void SetUp() override { open(9600); }

    void open(int baud) {
        port.reset();  // a port belongs to its hub: release it first
        hub = std::make_unique<SimHub>();
        device = &hub->addPort(1).addDevice(7, baud);
        port = std::make_unique<SimPort>(*hub);
        openPort(*port, 1, QString::number(baud));
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
    const ExchangeResult r = run("VER");
    EXPECT_EQ(hub->wire_.at(0).line, QByteArray("@07VER\r"));
    EXPECT_EQ(r.status, Status::Reply);
    EXPECT_EQ(r.text, device->version);
}

TEST_F(ExchangeTest, RepliesAreStrippedOfTheAddressPrefix) {
    const struct {
        QByteArray raw;
        QString text;
    } cases[] = {
        {"#07V322\r", "V322"}, {"V322\r", "V322"},   {"\r", ""},
        {"#0\r", ""},          {"AB\nC\r", "AB\nC"},  // a line feed belongs to the reply
    };
    for (const auto& c : cases) {
        device->faults.rawReplies = {c.raw};
        const ExchangeResult r = run("VER");
        EXPECT_EQ(r.status, Status::Reply) << c.raw.constData();
        EXPECT_EQ(r.text, c.text) << c.raw.constData();
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

TEST_F(ExchangeTest, SilenceEndsAfter101EmptyReads) {
    device->faults.silent = true;
    const ExchangeResult r = run("PX");
    EXPECT_EQ(r.status, Status::NoReply);
    EXPECT_EQ(elapsedMs, 101);
    EXPECT_EQ(hub->lines().size(), 1);
}

TEST_F(ExchangeTest, LateCharactersStartTheNextReply) {
    device->faults.replyDelayMs = 150;
    EXPECT_EQ(run("ID").status, Status::NoReply);
    device->faults.replyDelayMs = 0;
    const ExchangeResult next = run("VER");
    EXPECT_EQ(next.text, device->identity);  // the stale answer to "ID"
}

TEST_F(ExchangeTest, AutoResponseModeTakesThePayloadAfterTheFirstP) {
    const struct {
        QByteArray raw;
        QString text;
    } cases[] = {
        {"$P123\r", "123"}, {"1P$\r", "$"},
        {"#07$P9\r", "9"},  {"$12P\r456\r", "456"},  // no payload yet: the next line is appended
        {"NOPE\r", "NOPE"},                          // no "$": returned as it is
        {"P\r", "P"},
    };
    for (const auto& c : cases) {
        device->faults.rawReplies = {c.raw};
        const ExchangeResult r = run("PX", {true, 2});
        EXPECT_EQ(r.status, Status::Reply) << c.raw.constData();
        EXPECT_EQ(r.text, c.text) << c.raw.constData();
    }
    device->faults.rawReplies = {"$P123\r"};
    EXPECT_EQ(run("PX").text, "$P123");  // outside auto-response mode nothing is scanned
}

TEST_F(ExchangeTest, AutoResponseModeResendsOnceToASilentDevice) {
    device->faults.silent = true;
    const ExchangeResult r = run("PX", {true, 2});
    EXPECT_EQ(r.status, Status::NoReply);
    EXPECT_EQ(hub->lines(), QStringList({"@07PX", "@07PX"}));
    EXPECT_EQ(elapsedMs, 202);
}

TEST_F(ExchangeTest, AStreamWithoutCarriageReturnIsBounded) {
    device->faults.noCR = true;
    device->faults.endless = true;
    ExchangeResult r = run("PX");
    EXPECT_EQ(r.status, Status::NoReply);
    EXPECT_LT(elapsedMs, 5000);

    open(9600);  // the same at the line's real pace
    hub->pacing = true;
    device->faults.noCR = true;
    device->faults.endless = true;
    r = run("PX");
    EXPECT_EQ(r.status, Status::NoReply);
    EXPECT_LT(elapsedMs, 5000);
}

TEST_F(ExchangeTest, ATrickleJustInsideTheSilenceLimitIsBounded) {
    device->faults.noCR = true;
    device->faults.endless = true;
    device->faults.trickleMs = 90;  // never 101 empty reads in a row
    const ExchangeResult r = run("PX");
    EXPECT_EQ(r.status, Status::NoReply);
    EXPECT_GT(elapsedMs, 2900);
    EXPECT_LT(elapsedMs, 3300);
}

TEST_F(ExchangeTest, PortFailureCarriesThePlatformDescription) {
    hub->vanish(1);
    const ExchangeResult r = run("PX");
    EXPECT_EQ(r.status, Status::PortFailure);
    EXPECT_EQ(r.error, "Input/output error");

    port->close();
    const ExchangeResult closed = run("PX");
    EXPECT_EQ(closed.status, Status::PortFailure);
    EXPECT_EQ(closed.error, "Port is not open");
}

}  // namespace
