#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include "device/main_policy.h"
#include "device/parameter_policy.h"
#include "sim/sim_port.h"

namespace {

struct RecordingHost : MainLinkHost {
    void tell(const QString& m) override { events << "tell:" + m; }
    void showNoCommunication() override { events << "no communication"; }
    void showInvalidPort() override { events << "invalid port"; }
    QStringList events;
};

class PolicyTest : public ::testing::Test {
  protected:
    PolicyTest() : device(&hub.addPort(1).addDevice(3)), port(hub) { openPort(port, 1, "9600"); }
    SimHub hub;
    SimDevice* device;
    SimPort port;
    ConnectionValues values{"03", "9600", 1, true, true};
    RecordingHost host;
    MainPolicy mainPolicy{port, values, host};
};

TEST_F(PolicyTest, MainWindowReturnsAnEmptyReplyAsIsAndZeroForSilence) {
    device->faults.rawReplies = {"\r"};
    EXPECT_EQ(mainPolicy.SendReceive("PX"), "");
    EXPECT_TRUE(values.ComStatus);
    EXPECT_TRUE(host.events.isEmpty());

    hub.clearLines();
    device->faults.silent = true;
    EXPECT_EQ(mainPolicy.SendReceive("PX"), "0");
    EXPECT_FALSE(values.ComStatus);
    EXPECT_TRUE(values.ComPortStatus);
    EXPECT_EQ(host.events, QStringList{"no communication"});
    EXPECT_EQ(hub.lines().size(), 1);

    mainPolicy.ARMode = true;
    hub.clearLines();
    EXPECT_EQ(mainPolicy.SendReceive("PX"), "0");
    EXPECT_EQ(hub.lines().size(), 2);  // one re-send in auto-response mode
}

TEST_F(PolicyTest, MainWindowPortFailureRunsTheWholeFailurePath) {
    hub.vanish(1);
    EXPECT_EQ(mainPolicy.SendReceive("PX"), "");
    EXPECT_FALSE(values.ComStatus);
    EXPECT_FALSE(values.ComPortStatus);
    EXPECT_FALSE(port.isOpen());
    EXPECT_EQ(host.events,
              QStringList({"tell:Communication Error! Input/output error", "invalid port",
                           "tell:Communication port not available!  Please select "
                           "available communication port and try again."}));

    // A sequence still running after the failure neither writes nor repeats the messages.
    hub.restore(1);
    hub.clearLines();
    EXPECT_EQ(mainPolicy.SendReceive("EX"), "");
    EXPECT_TRUE(hub.lines().isEmpty());
    EXPECT_EQ(host.events.size(), 3);
}

TEST_F(PolicyTest, ParameterWindowReportsEachFailureItsOwnWay) {
    QStringList told;
    LineState line;
    ParameterPolicy policy(port, line, values, [&](const QString& m) { told << m; });

    EXPECT_EQ(policy.SendReceive("VER"), device->version);

    device->faults.rawReplies = {"#03\r"};
    EXPECT_EQ(policy.SendReceive("CURR"), "0");
    EXPECT_FALSE(values.ComStatus);
    EXPECT_EQ(told, QStringList{"No Response!"});

    // Refused while the device is lost: nothing is written.
    hub.clearLines();
    EXPECT_EQ(policy.SendReceive("CURR"), "");
    EXPECT_TRUE(hub.lines().isEmpty());

    values.ComStatus = true;
    device->faults.silent = true;
    told.clear();
    EXPECT_EQ(policy.SendReceive("SLR"), "0");
    EXPECT_FALSE(values.ComStatus);
    EXPECT_EQ(told, QStringList{"No Reply to Command: SLR"});
    EXPECT_EQ(hub.lines().size(), 1);  // never re-sent

    values.ComStatus = true;
    hub.vanish(1);
    told.clear();
    EXPECT_EQ(policy.SendReceive("SLR"), "");
    EXPECT_EQ(told, QStringList{"Communication Error! Input/output error"});
    EXPECT_TRUE(values.ComStatus);  // flags unchanged
    EXPECT_TRUE(values.ComPortStatus);
}

}  // namespace
