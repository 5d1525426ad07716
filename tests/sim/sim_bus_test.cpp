#include <gtest/gtest.h>

#include "sim/sim_bus.h"
#include "support/qt_printers.h"

namespace {

// The bytes a bus puts on the line for one frame at 9600 baud.
QByteArray answer(SimBus& bus, const QByteArray& line, int baud = 9600) {
    QByteArray out;
    for (const SimOutput& o : bus.receive(line, baud, 0)) {
        out += o.bytes;
    }
    return out;
}

TEST(SimBus, DevicesAnswerTheProtocol) {
    SimBus bus;
    bus.addDevice(5);
    bus.addDevice(6, 19200);
    const struct {
        QByteArray line;
        int baud;
        QByteArray reply;
    } cases[] = {
        {"@05ID\r", 9600, "Stepvane-CAN\r"},
        {"@05DN\r", 9600, "KRB05\r"},
        {"@05LCA\r", 9600, "300\r"},
        {"@05LCA=250\r", 9600, "OK\r"},
        {"@05LCA\r", 9600, "250\r"},
        {"@05NOPE\r", 9600, "?\r"},
        {"@05NOPE=1\r", 9600, "?\r"},
        {"@05STORE\r", 9600, "OK\r"},
        {"@06ID\r", 9600, ""},  // device 06 listens at 19200 only
        {"@06DN\r", 19200, "KRB06\r"},
        {"@07ID\r", 9600, ""},     // nobody
        {"@00LCA=1\r", 9600, ""},  // broadcast: acted on, never answered
        {"05ID\r", 9600, ""},      // not a frame
        {"@5ID\r", 9600, ""},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(answer(bus, c.line, c.baud), c.reply) << c.line.constData();
    }
    EXPECT_EQ(bus.device(5)->values["LCA"], "1");  // the broadcast reached it
}

TEST(SimBus, PrefixAndFaultsShapeTheReply) {
    SimBus bus;
    SimDevice& d = bus.addDevice(5);
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

TEST(SimBus, StoredCommunicationSettingsTakeEffectAtPowerCycle) {
    SimBus bus;
    SimDevice& d = bus.addDevice(5);
    answer(bus, "@05DN=KRB09\r");
    answer(bus, "@05DB=2\r");
    d.powerCycle(0);
    EXPECT_EQ(d.id(), 5);  // not stored: lost
    answer(bus, "@05DN=KRB09\r");
    answer(bus, "@05DB=2\r");
    answer(bus, "@05STORE\r");
    d.powerCycle(0);
    EXPECT_EQ(d.id(), 9);
    EXPECT_EQ(d.baud(), 19200);
    EXPECT_EQ(answer(bus, "@09DN\r", 19200), "KRB09\r");
}

TEST(SimBus, CommunicationSettingsTakeOnlyUsableValuesAndCanOpenLeavesTheLine) {
    SimBus bus;
    SimDevice& d = bus.addDevice(5);
    const struct {
        QByteArray line;
        QByteArray reply;
    } cases[] = {
        {"@05DN=KRB00\r", "?\r"}, {"@05DN=XYZ07\r", "?\r"}, {"@05DB=6\r", "?\r"},
        {"@05BR=0\r", "?\r"},     {"@05CM=3\r", "?\r"},     {"@05NID=128\r", "?\r"},
        {"@05NID=127\r", "OK\r"}, {"@05CM=2\r", "OK\r"},    {"@05CM\r", "2\r"},
        {"@05STORE\r", "OK\r"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(answer(bus, c.line), c.reply) << c.line.constData();
    }
    EXPECT_EQ(d.values["DN"], "KRB05");
    d.powerCycle(0);
    EXPECT_EQ(answer(bus, "@05ID\r"), "");  // CANopen now: the serial line goes unanswered
}

}  // namespace
