// The control lines of network ports, as nvq-can-sim answers them on standard input.
#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "sim/sim_server.h"
#include "support/qt_printers.h"

namespace {

TEST(SimServer, NetworkControlLinesNameAPortOfTheirKind) {
    QTemporaryDir dir;
    SimServer server({dir.path(), false, 2, QString(), QString()});
    server.addPort(1);
    server.addPort(3, {PortServing::Tcp, 0, 9600});
    server.addPort(4, {PortServing::Rfc2217, 0, 9600});
    const QString silent = "error: usage 'telnet-silent N on|off' (N: a network port), see --help";
    const QString refuse = "error: usage 'refuse-baud N on|off' (N: an RFC 2217 port), see --help";
    const std::pair<const char*, QString> steps[] = {
        {"telnet-silent 3 on", "ok"},   {"telnet-silent 4 off", "ok"},
        {"telnet-silent 1 on", silent}, {"telnet-silent 2 on", silent},
        {"telnet-silent 3", silent},    {"telnet-silent 3 yes", silent},
        {"refuse-baud 4 on", "ok"},     {"refuse-baud 4 off", "ok"},
        {"refuse-baud 3 on", refuse},   {"refuse-baud 1 on", refuse},
        {"refuse-baud 4 1", refuse},
    };
    for (const auto& [line, reply] : steps) {
        EXPECT_EQ(server.control(line), reply) << line;
    }
    // Not started: no address was bound yet, so the one asked for is shown.
    EXPECT_EQ(server.address(3), "tcp://127.0.0.1:0");
    EXPECT_EQ(server.address(4), "rfc2217://127.0.0.1:0");
    EXPECT_EQ(server.address(1), dir.path() + "/com1");
}

}  // namespace
