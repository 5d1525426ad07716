#include <gtest/gtest.h>

#include <QElapsedTimer>

#include "e2e/sim_process.h"
#include "link/exchange.h"
#include "link/qt_serial_port.h"

namespace {

using Status = ExchangeResult::Status;

TEST(SerialLine, TalksToTheSimulatorThroughARealPort) {
    SimProcess sim({"--port", "3", "--device", "5:19200", "--device", "6:19200"});
    ASSERT_TRUE(sim.started());
    QtSerialPort port;
    openPort(port, 3, "19200");  // DTR on a pseudo-terminal is refused; that is no failure
    ASSERT_TRUE(port.isOpen());
    LineState line;
    const ExchangeResult r = exchange(port, line, "05", "ID");
    EXPECT_EQ(r.status, Status::Reply);
    EXPECT_EQ(r.text, "Stepvane-CAN");
    EXPECT_EQ(exchange(port, line, "06", "DN").text, "KRB06");
    EXPECT_EQ(exchange(port, line, "07", "DN").status, Status::NoReply);  // nobody has ID 07
    EXPECT_EQ(sim.control("prefix 5 on"), "ok");
    EXPECT_EQ(exchange(port, line, "05", "VER").text, "V340");
    EXPECT_EQ(sim.sent("COM3"), QStringList({"@05ID", "@06DN", "@07DN", "@05VER"}));
}

// No answer (a wrong baud rate), and an answer that never ends: both are given up in time.
TEST(SerialLine, SilenceAndEndlessStreamsAreGivenUpInTime) {
    SimProcess sim({"--port", "2", "--device", "1:19200"});
    ASSERT_TRUE(sim.started());
    QtSerialPort port;
    openPort(port, 2, "9600");
    LineState line;
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(exchange(port, line, "01", "ID").status, Status::NoReply);
    EXPECT_GE(timer.elapsed(), 100);
    EXPECT_LT(timer.elapsed(), 1000);

    port.close();
    openPort(port, 2, "19200");
    line = LineState{};
    EXPECT_EQ(sim.control("nocr 1 on"), "ok");
    EXPECT_EQ(sim.control("endless 1 on"), "ok");
    timer.restart();
    EXPECT_EQ(exchange(port, line, "01", "PX").status, Status::NoReply);
    EXPECT_LT(timer.elapsed(), 5000);
}

}  // namespace
