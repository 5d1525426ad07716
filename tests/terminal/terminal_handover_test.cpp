#include <QTest>

#include "device/line_engine.h"
#include "main_window/main_form_fixture.h"
#include "support/engine_settle.h"
#include "support/held_line.h"
#include "terminal/terminal_form.h"

namespace {

// The terminal window opened with the main window's "Terminal" button; devices 05 and 06 on COM1.
class TerminalHandoverTest : public MainFormTest {
  protected:
    TerminalHandoverTest() {
        rig.hub.bus(1)->addDevice(6);
        TerminalForm::PreviousCommand.clear();
    }

    // Clicks "Terminal"; the script runs while the terminal is open.
    void openTerminal(const std::function<void(TerminalForm&)>& script) {
        rig.modal.scripts.append([script](QDialog& d) { script(dynamic_cast<TerminalForm&>(d)); });
        form->ManualTerminal->click();
        settleEngines();
    }
    static void enter(TerminalForm& t, const QString& line) {
        QTest::keyClicks(t.SendText, line);
        QTest::keyClick(t.SendText, Qt::Key_Return);
    }
};

// While the terminal is open it has the port and the main window is silent; then the main window
// has it back and polls on. The last line is there to recall at the next opening.
TEST_F(TerminalHandoverTest, TheTerminalHasThePortWhileItIsOpen) {
    start();
    rig.takeLines();
    openTerminal([&](TerminalForm& t) {
        const ConnectionValues& v = t.values;
        EXPECT_EQ(QStringList({v.ComAddress, v.Baudrate, QString::number(v.ComPortNumber)}),
                  QStringList({"05", "9600", "1"}));
        EXPECT_TRUE(v.ComPortStatus && !v.ComStatus);  // the device's state is not handed over
        EXPECT_TRUE(form->session().PausePolling);
        EXPECT_FALSE(form->session().portOpen);
        enter(t, "VER");
        form->Timer1_Timer();      // the main window's timer fires meanwhile
        t.DeviceID->setText("6");  // the terminal's own ID box; the main window keeps its ID
        enter(t, "ID");
        form->Timer1_Timer();
        EXPECT_TRUE(settleEngines());
        EXPECT_EQ(rig.takeLines(), QStringList({"@05VER", "@06ID"}));
        EXPECT_EQ(t.logText(), ">@05VER\r\n<V340\r\n>@06ID\r\n<Stepvane-CAN\r\n");
    });
    EXPECT_EQ(rig.modal.shownCount, 1);
    EXPECT_TRUE(form->session().portOpen && form->Timer1->isActive());
    EXPECT_FALSE(form->session().PausePolling || form->session().busy);
    EXPECT_EQ(values().ComAddress, "05");
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
    QString version;
    onLine([&version](MainLine& m) { version = m.SendReceive("VER"); });
    EXPECT_EQ(version, "V340");
    EXPECT_EQ(rig.takeLines(), QStringList{"@05VER"});

    openTerminal([&](TerminalForm& t) {
        EXPECT_TRUE(t.logText().isEmpty());  // every opening starts a new log
        QTest::keyClick(t.SendText, Qt::Key_F1);
        EXPECT_EQ(t.SendText->text(), "ID");
    });
    EXPECT_EQ(rig.modal.shownCount, 2);
}

// Without the main window's port the terminal still opens, and says why each line fails.
TEST_F(TerminalHandoverTest, AClosedMainPortStaysClosed) {
    start(4);  // there is no COM4
    rig.prompter.clear();
    openTerminal([&](TerminalForm& t) {
        enter(t, "PX");
        enter(t, "VER");
        EXPECT_TRUE(settleEngines());
        EXPECT_EQ(t.logText(), ">@05PX\r\n<Com Port Error\r\n>@05VER\r\n<Com Port Error\r\n");
    });
    EXPECT_EQ(rig.modal.shownCount, 1);
    EXPECT_EQ(rig.prompter.messages(), QStringList{"Communication port not open!"});
    EXPECT_FALSE(form->session().portOpen || form->session().PausePolling);
    EXPECT_TRUE(rig.hub.lines().isEmpty() && rig.hub.open_.isEmpty());
}

// The terminal closed while its line waits on the device: the line ends, the terminal's port is
// closed by the time the main window takes it back, and the main window polls on.
TEST_F(TerminalHandoverTest, ClosingWhileALineRunsHandsThePortBack) {
    start();
    rig.takeLines();
    HeldLine held(rig.hub);
    held.arm("@05VER", [] { return LineEngine::allIdle(); });
    openTerminal([&](TerminalForm& t) {
        EXPECT_TRUE(settleEngines());
        enter(t, "VER");
        EXPECT_TRUE(held.waitUntilHeld());
        enter(t, "PX");
    });
    EXPECT_TRUE(held.endedInTime()) << "the terminal closed after its line";
    EXPECT_EQ(rig.takeLines(), QStringList{"@05VER"});
    EXPECT_TRUE(form->session().portOpen && form->Timer1->isActive());
    EXPECT_FALSE(form->session().PausePolling || form->session().busy);
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
    held.release();  // the main window's own "VER" now goes through
    QString version;
    onLine([&version](MainLine& m) { version = m.SendReceive("VER"); });
    EXPECT_EQ(version, "V340");
}

// "Terminal" pressed twice before the first terminal opened (a double click): the terminals open
// one after the other, each with the port, and the main window sends nothing while either has it.
TEST_F(TerminalHandoverTest, TwoOpeningsPressedTogetherTakeThePortInTurn) {
    start();
    rig.takeLines();
    QStringList seen;
    for (const char* line : {"VER", "ID"}) {
        rig.modal.scripts.append([&, line](QDialog& d) {
            auto& t = dynamic_cast<TerminalForm&>(d);
            form->Timer1_Timer();  // the main window's timer fires meanwhile
            enter(t, line);
            settleEngines();
            seen << t.logText() << QString::number(form->session().PausePolling);
        });
    }
    form->ManualTerminal->click();
    form->ManualTerminal->click();
    ASSERT_TRUE(settleEngines());
    EXPECT_EQ(rig.modal.shownCount, 2);
    EXPECT_EQ(seen, QStringList({">@05VER\r\n<V340\r\n", "1", ">@05ID\r\n<Stepvane-CAN\r\n", "1"}));
    EXPECT_EQ(rig.takeLines(), framed("05", {"VER", "ID"}));
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
    EXPECT_TRUE(form->session().portOpen);
    EXPECT_FALSE(form->session().PausePolling);
}

}  // namespace
