// The simulator's side of the serial line: the bus and its devices' replies and faults, the
// control lines of nvq-can-sim, and the port that vanishes.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <utility>

#include "link/exchange.h"
#include "sim/sim_port.h"
#include "sim/sim_server.h"
#include "support/qt_printers.h"

namespace {

// The bytes a bus puts on the line for one frame.
QByteArray answer(SimBus& bus, const QByteArray& line, int baud = 9600) {
    QByteArray out;
    for (const SimOutput& o : bus.receive(line, baud, 0)) {
        out += o.bytes;
    }
    return out;
}

using Frame = std::pair<QByteArray, QByteArray>;  // a line and the bytes that answer it

// Device 06 listens at 19200 only, nobody has ID 07, "00" is a broadcast (acted on, never
// answered) and the last two lines are no frames.
TEST(SimBus, DevicesAnswerTheFramesMeantForThem) {
    SimBus bus;
    bus.addDevice(5);
    bus.addDevice(6, 19200);
    const Frame frames[] = {
        {"@05DN\r", "KRB05\r"}, {"@05NOPE\r", "?\r"}, {"@05NOPE=1\r", "?\r"}, {"@06ID\r", ""},
        {"@07ID\r", ""},        {"@00LCA=1\r", ""},   {"05ID\r", ""},         {"@5ID\r", ""},
    };
    for (const auto& [line, reply] : frames) {
        EXPECT_EQ(answer(bus, line), reply) << line.constData();
    }
    EXPECT_EQ(answer(bus, "@06DN\r", 19200), "KRB06\r");
    EXPECT_EQ(bus.device(5)->values["LCA"], "1");  // the broadcast reached it
}

TEST(SimBus, PrefixAndFaultsShapeTheReply) {
    SimBus bus;
    SimDevice& d = bus.addDevice(5);
    EXPECT_EQ(answer(bus, "@05ID\r"), "Stepvane-CAN\r");
    d.values["RT"] = "1";
    EXPECT_EQ(answer(bus, "@05ID\r"), "#05Stepvane-CAN\r");
    d.values["RT"] = "0";
    d.faults.noCR = true;
    EXPECT_EQ(answer(bus, "@05ID\r"), "Stepvane-CAN");
    d.faults.noCR = false;
    d.faults.dollarReplies = 1;
    EXPECT_EQ(answer(bus, "@05PX\r"), "$DONE\r");
    EXPECT_EQ(answer(bus, "@05PX\r"), "0\r");
    d.faults.garbage = true;
    const QByteArray noise = answer(bus, "@05PX\r");
    EXPECT_TRUE(noise.endsWith('\r'));
    EXPECT_NE(noise, "0\r");
    d.faults.garbage = false;
    d.faults.silent = true;
    EXPECT_EQ(answer(bus, "@05PX\r"), "");
}

// Unusable values are refused; what was not stored is lost at a power cycle, a stored CANopen
// method leaves the serial line unanswered, and a stored ID and baud rate take over at the next.
TEST(SimBus, CommunicationSettingsTakeOnlyUsableValuesAndLastWhenStored) {
    SimBus bus;
    SimDevice& d = bus.addDevice(5);
    answer(bus, "@05DN=KRB09\r");
    answer(bus, "@05DB=2\r");
    d.powerCycle(0);
    EXPECT_EQ(d.id(), 5);
    EXPECT_EQ(d.baud(), 9600);
    const Frame frames[] = {
        {"@05DN=KRB00\r", "?\r"}, {"@05DN=XYZ07\r", "?\r"}, {"@05DB=6\r", "?\r"},
        {"@05BR=0\r", "?\r"},     {"@05CM=3\r", "?\r"},     {"@05NID=128\r", "?\r"},
        {"@05NID=127\r", "OK\r"}, {"@05CM=2\r", "OK\r"},    {"@05CM\r", "2\r"},
        {"@05STORE\r", "OK\r"},
    };
    for (const auto& [line, reply] : frames) {
        EXPECT_EQ(answer(bus, line), reply) << line.constData();
    }
    EXPECT_EQ(d.values["DN"], "KRB05");
    d.powerCycle(0);
    EXPECT_EQ(answer(bus, "@05ID\r"), "");

    SimDevice& e = bus.addDevice(6);
    for (const char* line : {"@06DN=KRB07\r", "@06DB=5\r", "@06STORE\r"}) {
        EXPECT_EQ(answer(bus, line), "OK\r") << line;
    }
    EXPECT_EQ(e.id(), 6);
    e.powerCycle(0);
    EXPECT_EQ(e.id(), 7);
    EXPECT_EQ(e.baud(), 115200);
}

// Control lines reach the device they name: "N:ID" the one on COM N, a bare ID the first with
// that ID on any port. They set its faults and surroundings and refuse what they cannot use.
TEST(SimServer, ControlLinesNameADeviceAndSetItsFaultsAndSurroundings) {
    QTemporaryDir dir;
    SimServer server({dir.path(), false, 2, QString(), QString()});
    SimDevice& first = server.addPort(1).addDevice(2, 19200);
    SimDevice& second = server.addPort(4).addDevice(2, 115200);
    const QString usage = "error: usage '<fault> <device id> <value>', see --help";
    const QString vanish = "error: usage 'vanish-after N LINE [COUNT]', see --help";
    const QString input = "error: usage 'input ID N on|off (N 1..6)'";
    const QString limit = "error: usage 'limit ID +|- POS (+ limit above - limit)'";
    const QString home = "error: usage 'home ID POS'", index = "error: usage 'index ID N (N >= 1)'";
    using Step = std::pair<const char*, QString>;  // a control line and its reply
    const Step devices[] = {
        {"silent 4:02 on", "ok"},     {"garbage 02 on", "ok"},    {"nocr 1:2 on", "ok"},
        {"silent 5:02 on", usage},    {"silent 4:x off", usage},  {"silent 4:02:1 off", usage},
        {"input 9 1 on", usage},      {"input 4:2 3 on", "ok"},   {"input 4:2 7 on", input},
        {"input 4:2 1 maybe", input}, {"latch 4:2 on", "ok"},     {"limit 4:2 + 2000", "ok"},
        {"limit 4:2 - 2000", limit},  {"limit 4:2 - -700", "ok"}, {"limit 4:2 * 5", limit},
        {"home 4:2 1234", "ok"},      {"home 4:2 12.5", home},    {"index 4:2 250", "ok"},
        {"index 4:2 0", index},
    };
    const Step vanishing[] = {
        {"vanish-after 4 @02PX", "ok"},     {"vanish-after 4 @02PX 4", "ok"},
        {"vanish-after 3 @02PX", vanish},   {"vanish-after 4", vanish},
        {"vanish-after 4 @02PX 0", vanish}, {"vanish-after 4 @02PX x", vanish},
        {"vanish-after 4 @02 PX", vanish},
    };
    for (const auto& [line, reply] : devices) {
        EXPECT_EQ(server.control(line), reply) << line;
    }
    for (const auto& [line, reply] : vanishing) {
        EXPECT_EQ(server.control(line), reply) << line;
    }
    EXPECT_EQ(QList<bool>({first.faults.silent, first.faults.garbage, first.faults.noCR}),
              QList<bool>({false, true, true}));
    EXPECT_EQ(QList<bool>({second.faults.silent, second.faults.garbage, second.faults.noCR}),
              QList<bool>({true, false, false}));
    const SimWorld& w = second.motion.world;
    EXPECT_TRUE(w.latchInput);
    EXPECT_EQ(QList<qint64>({w.inputs, w.plusLimit, w.minusLimit, w.home, w.indexEvery}),
              QList<qint64>({4, 2000, -700, 1234, 250}));  // input 3 is bit 2
}

// The trigger unplugs the adapter right after the nth line that matches it (an empty text
// matches any line) has gone out on its own port. Counting only the matching lines, the answer
// lost with the port and what its dead handle does afterwards are met by the vanishing-port tests
// of the program (polling, scan, terminal).
TEST(SimPortVanish, AnEmptyTriggerMatchesAnyLineOfItsOwnPort) {
    SimHub hub;
    hub.addPort(1).addDevice(1);
    hub.addPort(2);
    SimPort port(hub);
    openPort(port, 1, "9600");
    hub.vanishAfter(1, "", 3);
    hub.vanishAfter(2, "", 1);  // nothing goes out on port 2: it stays
    LineState line;
    EXPECT_EQ(exchange(port, line, "01", "ID").text, "Stepvane-CAN");
    EXPECT_EQ(exchange(port, line, "01", "PX").text, "0");
    EXPECT_EQ(exchange(port, line, "01", "ID").status, ExchangeResult::Status::PortFailure);
    EXPECT_EQ(hub.lines(1), QStringList({"@01ID", "@01PX", "@01ID"}));
    EXPECT_TRUE(hub.vanished(1));
    EXPECT_FALSE(hub.vanished(2));
}

}  // namespace
