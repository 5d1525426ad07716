#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTest>

#include "main_window/main_control_form.h"
#include "support/sim_rig.h"
#include "terminal/terminal_form.h"

namespace {

class TerminalHandoverTest : public ::testing::Test {
  protected:
    TerminalHandoverTest() {
        rig.addDevice(1, 5);
        rig.hub.bus(1)->addDevice(6);
        TerminalForm::PreviousCommand.clear();
    }

    MainControlForm& start(int port = 1) {
        main = std::make_unique<MainControlForm>(rig.services());
        main->session().values.ComAddress = "05";
        main->session().values.Baudrate = "9600";
        main->session().values.ComPortNumber = port;
        main->load();
        rig.takeLines();
        rig.prompter.clear();
        return *main;
    }

    // The main window's timer fires while the terminal is open.
    void tick() { QMetaObject::invokeMethod(main->Timer1, "timeout", Qt::DirectConnection); }

    static void enter(TerminalForm& t, const QString& line) {
        QTest::keyClicks(t.SendText, line);
        QTest::keyClick(t.SendText, Qt::Key_Return);
    }

    SimRig rig;
    std::unique_ptr<MainControlForm> main;
};

TEST_F(TerminalHandoverTest, TheTerminalHasThePortWhileItIsOpen) {
    MainControlForm& w = start();
    ConnectionValues handed;
    bool paused = false;
    bool mainPortOpen = true;
    QStringList wire;
    QString log;
    rig.modal.scripts.append([&](QDialog& d) {
        auto& t = dynamic_cast<TerminalForm&>(d);
        handed = t.values;
        paused = w.session().PausePolling;
        mainPortOpen = w.session().port().isOpen();
        enter(t, "VER");
        tick();
        t.DeviceID->setText("6");  // the terminal's own ID box; the main window keeps its ID
        enter(t, "ID");
        tick();
        wire = rig.takeLines();
        log = t.logText();
    });
    w.ManualTerminal->click();
    EXPECT_EQ(rig.modal.shownCount, 1);
    EXPECT_EQ(handed.ComAddress, "05");
    EXPECT_EQ(handed.Baudrate, "9600");
    EXPECT_EQ(handed.ComPortNumber, 1);
    EXPECT_TRUE(handed.ComPortStatus);
    EXPECT_FALSE(handed.ComStatus);  // not handed over
    EXPECT_TRUE(paused);
    EXPECT_FALSE(mainPortOpen);
    EXPECT_EQ(wire, QStringList({"@05VER", "@06ID"}));  // nothing from the main window
    EXPECT_EQ(log, ">@05VER\r\n<V340\r\n>@06ID\r\n<Stepvane-CAN\r\n");

    EXPECT_TRUE(w.session().port().isOpen());
    EXPECT_FALSE(w.session().PausePolling);
    EXPECT_FALSE(w.session().busy);
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_EQ(w.session().values.ComAddress, "05");
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
    EXPECT_EQ(w.session().SendReceive("VER"), "V340");
    EXPECT_EQ(rig.takeLines(), QStringList{"@05VER"});
}

TEST_F(TerminalHandoverTest, AClosedMainPortStaysClosed) {
    MainControlForm& w = start(4);  // there is no COM4
    QString log;
    rig.modal.scripts.append([&](QDialog& d) {
        auto& t = dynamic_cast<TerminalForm&>(d);
        enter(t, "PX");
        log = t.logText();
    });
    w.ManualTerminal->click();
    EXPECT_EQ(rig.prompter.messages(), QStringList{"Communication port not open!"});
    EXPECT_EQ(log, ">@05PX\r\n<Com Port Error\r\n");
    EXPECT_FALSE(w.session().port().isOpen());
    EXPECT_FALSE(w.session().PausePolling);
    EXPECT_TRUE(rig.hub.lines().isEmpty());
    EXPECT_TRUE(rig.hub.open_.isEmpty());
}

TEST_F(TerminalHandoverTest, TheLastLineIsThereAtTheNextOpening) {
    MainControlForm& w = start();
    QString recalled;
    QString log = "?";
    rig.modal.scripts.append([&](QDialog& d) { enter(dynamic_cast<TerminalForm&>(d), "VER"); });
    rig.modal.scripts.append([&](QDialog& d) {
        auto& t = dynamic_cast<TerminalForm&>(d);
        log = t.logText();
        QTest::keyClick(t.SendText, Qt::Key_F1);
        recalled = t.SendText->text();
    });
    w.ManualTerminal->click();
    w.ManualTerminal->click();
    EXPECT_EQ(recalled, "VER");
    EXPECT_TRUE(log.isEmpty());  // every opening starts a new log
}

}  // namespace
