#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "sim/sim_server.h"
#include "support/qt_printers.h"

namespace {

// Control lines reach the device they name, also when two ports carry the same ID.
TEST(SimServer, ControlLinesNameADeviceByIdOrByPortAndId) {
    QTemporaryDir dir;
    SimServer::Options options;
    options.portsDir = dir.path();
    SimServer server(options);
    SimDevice& first = server.addPort(1).addDevice(2, 19200);
    SimDevice& second = server.addPort(4).addDevice(2, 115200);
    const struct {
        const char* line;
        const char* reply;
        bool firstSilent;
        bool secondSilent;
    } cases[] = {
        {"silent 4:02 on", "ok", false, true},
        {"silent 02 on", "ok", true, true},
        {"silent 1:2 off", "ok", false, true},
        {"silent 5:02 on", "error: usage '<fault> <device id> <value>', see --help", false, true},
        {"silent 4:x off", "error: usage '<fault> <device id> <value>', see --help", false, true},
        {"silent 4:02:1 off", "error: usage '<fault> <device id> <value>', see --help", false,
         true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        EXPECT_EQ(server.control(c.line), c.reply);
        EXPECT_EQ(first.faults.silent, c.firstSilent);
        EXPECT_EQ(second.faults.silent, c.secondSilent);
    }
}

TEST(SimServer, VanishAfterNamesAPortALineAndACount) {
    QTemporaryDir dir;
    SimServer::Options options;
    options.portsDir = dir.path();
    SimServer server(options);
    server.addPort(3).addDevice(5);
    const QString usage = "error: usage 'vanish-after N LINE [COUNT]', see --help";
    const struct {
        const char* line;
        QString reply;
    } cases[] = {
        {"vanish-after 3 @05PX", "ok"},    {"vanish-after 3 @05PX 4", "ok"},
        {"vanish-after 4 @05PX", usage},   {"vanish-after 3", usage},
        {"vanish-after 3 @05PX 0", usage}, {"vanish-after 3 @05PX x", usage},
        {"vanish-after 3 @05 PX", usage},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(server.control(c.line), c.reply) << c.line;
    }
}

}  // namespace
