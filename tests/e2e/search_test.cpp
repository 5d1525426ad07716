#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QThread>

#include "e2e/e2e_rig.h"

namespace {

// Two simulated COM ports at different baud rates: device 02 at 19200 on COM1, devices 01 and
// 02 at 115200 on COM4. The other ports do not exist.
const QStringList kTwoLinks = {"--port", "1",        "--device", "2:19200",  "--port",
                               "4",      "--device", "1:115200", "--device", "2:115200"};

TEST(Search, SearchFindsTheFirstDeviceOnTheSimulatedPorts) {
    RealDialog d(kTwoLinks);
    ASSERT_TRUE(d.sim.started());
    QElapsedTimer clock;
    clock.start();
    EXPECT_TRUE(d.search(false));
    EXPECT_EQ(d.prompter.messages(), QStringList{"NVQ-CAN Found on Port:1 Baud:19200 ID:02"});
    EXPECT_EQ(d.selection(), QStringList({"COM1", "19200", "02"}));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_TRUE(d.sim.sent("COM4").isEmpty()) << "the scan stopped at the first device";
}

TEST(Search, SearchAllListsTheDevicesOfBothPorts) {
    RealDialog d(kTwoLinks);
    ASSERT_TRUE(d.sim.started());
    EXPECT_TRUE(d.search(true));
    EXPECT_EQ(d.prompter.messages(), QStringList{"Found on Com Port:1 Baud:19200 ID:02\r\n"
                                                 "Found on Com Port:4 Baud:115200 ID:01\r\n"
                                                 "Found on Com Port:4 Baud:115200 ID:02\r\n"});
    EXPECT_EQ(d.selection(), QStringList({"COM1", "9600", "01"}));
    // Every baud rate of COM4 was tried. The simulator logs a line when it handles it, which
    // may be a moment after the scan has sent it and moved on (a slow build, a busy machine).
    const QDeadlineTimer deadline(3000);
    while (d.sim.sent("COM4").count("@09DN") < 5 && !deadline.hasExpired()) {
        QThread::msleep(20);
    }
    EXPECT_EQ(d.sim.sent("COM4").count("@09DN"), 5);
}

}  // namespace
