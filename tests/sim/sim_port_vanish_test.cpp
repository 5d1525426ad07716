#include <gtest/gtest.h>

#include "link/exchange.h"
#include "sim/sim_port.h"
#include "support/qt_printers.h"

namespace {

using Status = ExchangeResult::Status;

// The trigger unplugs the adapter right after the chosen line went out: that exchange loses its
// answer, the port's handle is dead from then on (also once the adapter is back), and only a
// new open after the restore reaches the device again.
TEST(SimPortVanish, TheTriggerUnplugsThePortAfterTheNthMatchingLine) {
    const struct {
        const char* line;
        int nth;
        QStringList replies;  // "!" marks the exchange that failed
    } cases[] = {
        {"@01PX", 1, {"Stepvane-CAN", "!"}},
        {"@01PX", 2, {"Stepvane-CAN", "0", "Stepvane-CAN", "!"}},
        {"", 3, {"Stepvane-CAN", "0", "!"}},  // any line counts
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString("%1 #%2").arg(c.line).arg(c.nth).toStdString());
        SimHub hub;
        hub.addPort(1).addDevice(1);
        hub.addPort(2);
        SimPort port(hub);
        openPort(port, 1, "9600");
        hub.vanishAfter(1, c.line, c.nth);
        hub.vanishAfter(2, "", 1);  // another port's trigger does not fire here
        QStringList got;
        for (const char* command : {"ID", "PX", "ID", "PX"}) {
            const ExchangeResult r = exchange(port, "01", command);
            got << (r.status == Status::PortFailure ? "!" : r.text);
            if (r.status == Status::PortFailure) {
                EXPECT_EQ(r.error, "Input/output error");
                break;
            }
        }
        EXPECT_EQ(got, c.replies);
        EXPECT_EQ(hub.lines().size(), c.replies.size());  // the last line did go out
        EXPECT_TRUE(hub.vanished(1));
        EXPECT_FALSE(hub.vanished(2));
        EXPECT_FALSE(port.isOpen());
        EXPECT_TRUE(hub.open_.isEmpty());
        EXPECT_THROW(openPort(port, 1, "9600"), PortError);

        hub.restore(1);
        EXPECT_EQ(exchange(port, "01", "ID").error, "Port is not open");
        openPort(port, 1, "9600");
        EXPECT_EQ(exchange(port, "01", "ID").text, "Stepvane-CAN");
    }
}

}  // namespace
