// Faults of the line itself, for the bus doctor: two devices answering one ID at once (a
// collision) and a noisy line, on the bus and through nvq-can-sim's control lines.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <algorithm>
#include <bit>

#include "sim/sim_port.h"
#include "sim/sim_server.h"
#include "support/qt_printers.h"

namespace {

// The outputs a bus puts on the line for one frame, and their bytes run together.
std::vector<SimOutput> lineOutputs(SimBus& bus, const QByteArray& line, int baud = 9600) {
    return bus.receive(line, baud, 0);
}
QByteArray lineBytes(SimBus& bus, const QByteArray& line, int baud = 9600) {
    QByteArray out;
    for (const SimOutput& o : lineOutputs(bus, line, baud)) {
        out += o.bytes;
    }
    return out;
}

// Characters of the two answers ANDed, the second 4 bit times behind: "0" and "0" give NUL, "OK"
// and "OK" give 'G' (0x4f & 0xf7) and 0x01 (0x4b & 0xb5), then one clean CR.
TEST(SimCollision, TwinsAnsweringOneIdMixIntoOneDamagedLine) {
    SimBus bus;
    bus.addDevice(5);
    bus.addDevice(6);
    bus.addDevice(3, 19200);
    EXPECT_TRUE(bus.collide(5, true));
    EXPECT_TRUE(bus.collide(3, true));
    EXPECT_FALSE(bus.collide(7, true));
    EXPECT_EQ(bus.devices().size(), 5u);
    struct Case {
        QByteArray line;
        int baud;
        QByteArray reply;
    };
    const Case cases[] = {
        {"@05PX\r", 9600, QByteArray("\x00\r", 2)},
        {"@05LCA=1\r", 9600, "G\x01\r"},
        {"@03PX\r", 19200, QByteArray("\x00\r", 2)},  // the twin has its first's rate
        {"@03PX\r", 9600, ""},
        {"@06ID\r", 9600, "Stepvane-CAN\r"},  // the other IDs stay clean
        {"@00LCA=2\r", 9600, ""},
        {"@00LCA=2\r", 19200, ""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(lineOutputs(bus, c.line, c.baud).size(), c.reply.isEmpty() ? 0u : 1u)
            << c.line.constData();
        EXPECT_EQ(lineBytes(bus, c.line, c.baud), c.reply) << c.line.constData();
    }
    for (const auto& d : bus.devices()) {
        EXPECT_EQ(d->values["LCA"], "2") << d->id();  // the twins heard the broadcasts too
    }

    const QByteArray mixed = lineBytes(bus, "@05ID\r");
    EXPECT_EQ(mixed.size(), QByteArray("Stepvane-CAN\r").size());
    EXPECT_EQ(mixed.count('\r'), 1);
    EXPECT_TRUE(mixed.endsWith('\r'));
    EXPECT_NE(mixed, "Stepvane-CAN\r");

    EXPECT_TRUE(bus.collide(5, false));
    EXPECT_EQ(bus.devices().size(), 4u);
    EXPECT_EQ(lineBytes(bus, "@05ID\r"), "Stepvane-CAN\r");
    EXPECT_EQ(lineBytes(bus, "@03PX\r", 19200), QByteArray("\x00\r", 2));  // still twinned
}

// Two devices given the same ID (as "--device 5 --device 5" does) are the same collision, and
// "collide off" leaves only the first.
TEST(SimCollision, TwoDevicesAddedWithOneIdCollide) {
    SimBus bus;
    SimDevice& first = bus.addDevice(5);
    bus.addDevice(5);
    EXPECT_EQ(lineBytes(bus, "@05PX\r"), QByteArray("\x00\r", 2));
    EXPECT_TRUE(bus.collide(5, true));  // it already has a second one
    EXPECT_EQ(bus.devices().size(), 2u);
    EXPECT_TRUE(bus.collide(5, false));
    ASSERT_EQ(bus.devices().size(), 1u);
    EXPECT_EQ(bus.devices().front().get(), &first);
    EXPECT_EQ(lineBytes(bus, "@05PX\r"), "0\r");
}

// The mixed stream starts when the earlier answer would have; a twin starts as a copy of the
// first's parameters (here replies with the "#05" prefix), not of its faults.
TEST(SimCollision, TheMixedLineStartsWithTheEarlierAnswer) {
    struct Case {
        int firstDelayMs;
        int twinDelayMs;
        int startsMs;
    };
    const Case cases[] = {{0, 0, 0}, {30, 0, 0}, {0, 30, 0}, {20, 50, 20}};
    for (const Case& c : cases) {
        SimBus bus;
        SimDevice& first = bus.addDevice(5);
        first.values["RT"] = "1";
        first.faults.replyDelayMs = c.firstDelayMs;
        bus.collide(5, true);
        bus.devices().back()->faults.replyDelayMs = c.twinDelayMs;
        const auto out = lineOutputs(bus, "@05PX\r");
        ASSERT_EQ(out.size(), 1u);
        EXPECT_EQ(out[0].delayMs, c.startsMs) << c.firstDelayMs << " " << c.twinDelayMs;
        EXPECT_EQ(out[0].bytes.size(), QByteArray("#050\r").size());
    }
}

// The front end gets what the bus made of it: one line, from the port.
TEST(SimCollision, APortReadsTheMixedLine) {
    SimHub hub;
    hub.addPort(1).addDevice(5);
    hub.bus(1)->collide(5, true);
    SimPort port(hub);
    openPort(port, 1, "9600");
    port.setInputLength(64);
    port.write("@05LCA=1\r");
    port.delay(20);
    EXPECT_EQ(port.read(), "G\x01\r");
}

// A fraction of the characters each get exactly one bit flipped: none at 0, about one in ten at
// 0.1 (the generator is fixed, the bound loose), every one at 1.
TEST(SimNoise, FlipsOneBitInThatFractionOfTheCharacters) {
    struct Case {
        double rate;
        double least;
        double most;
    };
    const Case cases[] = {{0, 0, 0}, {0.1, 0.08, 0.12}, {1, 1, 1}};
    const QByteArray clean = "Stepvane-CAN\r";
    for (const Case& c : cases) {
        SimBus bus;
        bus.addDevice(5);
        bus.setNoise(c.rate);
        int characters = 0;
        int damaged = 0;
        for (int i = 0; i < 1000; ++i) {
            const QByteArray got = lineBytes(bus, "@05ID\r");
            ASSERT_EQ(got.size(), clean.size());
            for (qsizetype k = 0; k < got.size(); ++k) {
                const auto flipped = static_cast<unsigned char>(got[k] ^ clean[k]);
                EXPECT_LE(std::popcount(flipped), 1);
                damaged += flipped != 0;
                ++characters;
            }
        }
        const double share = double(damaged) / characters;
        EXPECT_GE(share, c.least) << c.rate;
        EXPECT_LE(share, c.most) << c.rate;
    }
}

TEST(SimNoise, ReachesAutoResponseLinesToo) {
    SimBus bus;
    bus.addDevice(5);
    lineBytes(bus, "@05AR=1\r");
    lineBytes(bus, "@05X0\r");  // there already: done at once
    bus.setNoise(1);
    const auto out = bus.advanceTo(0);
    ASSERT_EQ(out.size(), 1u);
    const QByteArray clean = "$0STOP\r";
    ASSERT_EQ(out[0].bytes.size(), clean.size());
    for (qsizetype k = 0; k < clean.size(); ++k) {
        EXPECT_EQ(std::popcount(static_cast<unsigned char>(out[0].bytes[k] ^ clean[k])), 1) << k;
    }
}

// "collide" names a device as the other control lines do and acts on its port's bus; "noise"
// reaches every port and takes only a number from 0 to 1.
TEST(SimServer, CollideAndNoiseControlLines) {
    QTemporaryDir dir;
    SimServer server({dir.path(), false, 2, QString(), QString()});
    SimBus& one = server.addPort(1);
    SimBus& two = server.addPort(2);
    one.addDevice(5);
    two.addDevice(5);
    const QString collide = "error: usage 'collide ID on|off', see --help";
    const QString noise = "error: usage 'noise RATE' (RATE 0 to 1), see --help";
    struct Step {
        const char* line;
        QString reply;
        size_t devicesOnOne;
        size_t devicesOnTwo;
    };
    const Step steps[] = {
        {"collide 05 on", "ok", 2, 1},
        {"collide 05 on", "ok", 2, 1},
        {"collide 2:05 on", "ok", 2, 2},
        {"collide 05 off", "ok", 1, 2},
        {"collide 42 on", "error: no device 42", 1, 2},
        {"collide 3:05 on", "error: no device 3:05", 1, 2},
        {"collide 05", collide, 1, 2},
        {"collide 05 maybe", collide, 1, 2},
        {"noise 0.05", "ok", 1, 2},
        {"noise 2", noise, 1, 2},
        {"noise x", noise, 1, 2},
        {"noise -0.1", noise, 1, 2},
        {"noise nan", noise, 1, 2},
        {"noise", noise, 1, 2},
    };
    for (const Step& s : steps) {
        EXPECT_EQ(server.control(s.line), s.reply) << s.line;
        EXPECT_EQ(one.devices().size(), s.devicesOnOne) << s.line;
        EXPECT_EQ(two.devices().size(), s.devicesOnTwo) << s.line;
    }
    EXPECT_EQ(one.noise(), 0.05);
    EXPECT_EQ(two.noise(), 0.05);
}

}  // namespace
