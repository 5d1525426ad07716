// nvq-can-sim serving its devices on 127.0.0.1 as a serial device server would: a raw byte
// stream at a fixed rate, or Telnet with the COM port option, one client at a time; a server
// that vanishes, and one that never answers.
#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <initializer_list>

#include "e2e/sim_process.h"
#include "support/byte_list.h"
#include "support/local_client.h"
#include "support/qt_printers.h"

namespace {

const QByteArray kBaud9600 = byteList({0, 0, 0x25, 0x80});
const QByteArray kBaud19200 = byteList({0, 0, 0x4b, 0});
// The client offers the COM port option and binary transmission both ways.
const QByteArray kNegotiation = byteList({255, 251, 44, 255, 251, 0, 255, 253, 0});
const QByteArray kAgreed = byteList({255, 253, 44, 255, 253, 0, 255, 251, 0});
const QByteArray kIdentity = "Stepvane-CAN\r";

TEST(SimNetwork, RawPortAnswersAtTheFirstDevicesRateAndServesOneClient) {
    SimProcess sim({"--port", "3", "--tcp", "0", "--device", "2:19200", "--device", "1"});
    ASSERT_TRUE(sim.started());
    const int port = sim.tcpPort(3);
    EXPECT_TRUE(QRegularExpression("^COM3: tcp://127\\.0\\.0\\.1:\\d+, devices 02@19200 01@9600\n$")
                    .match(sim.startup())
                    .hasMatch())
        << qPrintable(sim.startup());
    LocalClient client;
    ASSERT_TRUE(client.connect(port));
    ASSERT_TRUE(client.send("@02ID\r"));
    EXPECT_EQ(client.read(2000, kIdentity.size()), kIdentity);
    // The line runs at 19200 baud: device 01 at 9600 does not hear it.
    ASSERT_TRUE(client.send("@01ID\r"));
    EXPECT_EQ(client.read(300), "");
    // 0xFF is a byte like any other.
    ASSERT_TRUE(client.send("@02" + byteList({255, 255}) + "\r"));
    client.read(300);
    EXPECT_TRUE(sim.sent("COM3").contains("@02<ff><ff>")) << qPrintable(sim.log());

    LocalClient second;
    ASSERT_TRUE(second.connect(port));
    EXPECT_TRUE(second.closedByServer(2000));
    ASSERT_TRUE(client.send("@02ID\r"));
    EXPECT_EQ(client.read(2000, kIdentity.size()), kIdentity);
}

// Paced at the raw port's fixed 9600 baud: 6 characters in, 2 ms turnaround, 13 characters out
// take about 21.8 ms, where an unpaced answer takes about 2.
TEST(SimNetwork, RawPortPacesCharactersAtItsFixedRate) {
    SimProcess sim({"--pace", "--port", "3", "--tcp", "0"});
    ASSERT_TRUE(sim.started());
    LocalClient client;
    ASSERT_TRUE(client.connect(sim.tcpPort(3)));
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(client.send("@01ID\r"));
    EXPECT_EQ(client.read(2000, kIdentity.size()), kIdentity);
    EXPECT_GE(clock.elapsed(), 19);
}

TEST(SimNetwork, Rfc2217PortNegotiatesAndDevicesHearOnlyTheirOwnRate) {
    SimProcess sim({"--port", "4", "--rfc2217", "0", "--device", "2:19200"});
    ASSERT_TRUE(sim.started());
    EXPECT_TRUE(QRegularExpression("^COM4: rfc2217://127\\.0\\.0\\.1:\\d+, devices 02@19200\n$")
                    .match(sim.startup())
                    .hasMatch())
        << qPrintable(sim.startup());
    LocalClient client;
    ASSERT_TRUE(client.connect(sim.tcpPort(4)));
    ASSERT_TRUE(client.send(kNegotiation));
    EXPECT_EQ(client.read(2000, kAgreed.size()), kAgreed);
    ASSERT_TRUE(client.send("@02ID\r"));
    EXPECT_EQ(client.read(300), "");  // 9600 until set

    const QByteArray set19200 = comPortFrame(101, kBaud19200);
    ASSERT_TRUE(client.send(comPortFrame(1, kBaud19200) + "@02ID\r"));
    EXPECT_EQ(client.read(2000, set19200.size() + kIdentity.size()), set19200 + kIdentity);

    // Refused: the answer names the rate in force, and the devices stay at it.
    EXPECT_EQ(sim.control("refuse-baud 4 on"), "ok");
    ASSERT_TRUE(client.send(comPortFrame(1, kBaud9600) + "@02ID\r"));
    EXPECT_EQ(client.read(2000, set19200.size() + kIdentity.size()), set19200 + kIdentity);
    // 0xFF from the client comes doubled and reaches the line once.
    ASSERT_TRUE(client.send("@02" + byteList({255, 255}) + "\r"));
    client.read(300);
    EXPECT_TRUE(sim.sent("COM4").contains("@02<ff>")) << qPrintable(sim.log());
}

// Purges: of what came from the client (2), the partial line goes and a whole one stays; of what
// the devices sent (1), the answer not yet sent goes; neither touches what comes after.
TEST(SimNetwork, Rfc2217PurgesDropWhatTheyName) {
    SimProcess sim({"--port", "4", "--rfc2217", "0"});
    ASSERT_TRUE(sim.started());
    LocalClient client;
    ASSERT_TRUE(client.connect(sim.tcpPort(4)));
    const QByteArray purged2 = comPortFrame(112, byteList({2}));
    const QByteArray purged1 = comPortFrame(112, byteList({1}));
    ASSERT_TRUE(client.send("@01" + comPortFrame(12, byteList({2})) + "ID\r"));
    EXPECT_EQ(client.read(500), purged2);
    ASSERT_TRUE(client.send("@01ID\r" + comPortFrame(12, byteList({2})) + "@01PX\r"));
    EXPECT_EQ(client.read(2000, purged2.size() + kIdentity.size() + 2),
              purged2 + kIdentity + "0\r");
    ASSERT_TRUE(client.send("@01ID\r" + comPortFrame(12, byteList({1})) + "@01PX\r"));
    EXPECT_EQ(client.read(1000), purged1 + "0\r");
}

TEST(SimNetwork, VanishClosesTheConnectionAndRefusesNewOnesUntilRestore) {
    SimProcess sim({"--port", "3", "--tcp", "0", "--port", "5", "--rfc2217", "0"});
    ASSERT_TRUE(sim.started());
    const int port = sim.tcpPort(3);
    LocalClient client;
    ASSERT_TRUE(client.connect(port));
    EXPECT_EQ(sim.control("vanish 3"), "ok");
    EXPECT_TRUE(client.closedByServer(2000));
    LocalClient refused;
    EXPECT_FALSE(refused.connect(port));

    EXPECT_EQ(sim.control("restore 3"), "ok");
    LocalClient again;
    ASSERT_TRUE(again.connect(port));
    ASSERT_TRUE(again.send("@01ID\r"));
    EXPECT_EQ(again.read(2000, kIdentity.size()), kIdentity);

    // In the middle of a polling tick: the device hears the line, its answer goes with the server.
    EXPECT_EQ(sim.control("vanish-after 3 @01PX"), "ok");
    ASSERT_TRUE(again.send("@01PX\r"));
    EXPECT_TRUE(again.closedByServer(2000));
    LocalClient late;
    EXPECT_FALSE(late.connect(port));

    // The Telnet port vanishes the same way, and comes back at the same port.
    const int telnet = sim.tcpPort(5);
    LocalClient session;
    ASSERT_TRUE(session.connect(telnet));
    EXPECT_EQ(sim.control("vanish 5"), "ok");
    EXPECT_TRUE(session.closedByServer(2000));
    EXPECT_EQ(sim.control("restore 5"), "ok");
    LocalClient back;
    ASSERT_TRUE(back.connect(telnet));
    ASSERT_TRUE(back.send(kNegotiation));
    EXPECT_EQ(back.read(2000, kAgreed.size()), kAgreed);
}

TEST(SimNetwork, SilentServerAcceptsAndNeverAnswers) {
    SimProcess sim({"--port", "3", "--tcp", "0", "--port", "4", "--rfc2217", "0"});
    ASSERT_TRUE(sim.started());
    EXPECT_EQ(sim.control("telnet-silent 3 on"), "ok");
    EXPECT_EQ(sim.control("telnet-silent 4 on"), "ok");
    LocalClient raw;
    LocalClient telnet;
    ASSERT_TRUE(raw.connect(sim.tcpPort(3)));
    ASSERT_TRUE(telnet.connect(sim.tcpPort(4)));
    ASSERT_TRUE(raw.send("@01ID\r"));
    ASSERT_TRUE(telnet.send(kNegotiation + "@01ID\r"));
    EXPECT_EQ(raw.read(500), "");
    EXPECT_EQ(telnet.read(500), "");
    EXPECT_TRUE(sim.sent("COM3").isEmpty());  // the devices heard nothing either

    EXPECT_EQ(sim.control("telnet-silent 3 off"), "ok");
    EXPECT_EQ(sim.control("telnet-silent 4 off"), "ok");
    ASSERT_TRUE(raw.send("@01ID\r"));
    EXPECT_EQ(raw.read(2000, kIdentity.size()), kIdentity);
    ASSERT_TRUE(telnet.send(kNegotiation + "@01ID\r"));
    EXPECT_EQ(telnet.read(2000, kAgreed.size() + kIdentity.size()), kAgreed + kIdentity);
}

// A port taken by another program ends the simulator with exit code 1 and the reason; a port
// number that is none is a usage error.
TEST(SimNetwork, PortInUseAndBadPortsEndTheSimulator) {
    SimProcess first({"--port", "3", "--tcp", "0"});
    ASSERT_TRUE(first.started());
    const QString taken = QString::number(first.tcpPort(3));
    const struct {
        QStringList args;
        int code;
        QString err;
    } cases[] = {
        {{"--rfc2217", taken},
         1,
         "nvq-can-sim: cannot listen on 127.0.0.1:" + taken + ": Address already in use\n"},
        {{"--tcp", "65536"}, 2, "nvq-can-sim: bad TCP port 65536\nTry --help.\n"},
        {{"--tcp", "-1"}, 2, "nvq-can-sim: bad TCP port -1\nTry --help.\n"},
        {{"--rfc2217", "x"}, 2, "nvq-can-sim: bad TCP port x\nTry --help.\n"},
    };
    for (const auto& c : cases) {
        QProcess p;
        p.start(NVQ_SIM_PATH, QStringList{"--ports-dir", first.portsDir()} + c.args);
        ASSERT_TRUE(p.waitForFinished(5000)) << qPrintable(c.args.join(" "));
        EXPECT_EQ(p.exitCode(), c.code) << qPrintable(c.args.join(" "));
        EXPECT_EQ(QString::fromLocal8Bit(p.readAllStandardError()), c.err);
    }
}

}  // namespace
