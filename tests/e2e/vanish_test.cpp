#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTest>

#include "e2e/e2e_rig.h"
#include "main_window/main_control_form.h"
#include "setup/setup_parameters.h"
#include "support/engine_settle.h"
#include "terminal/terminal_form.h"

namespace {

// What the main window shows and holds: its status, the device's identity and version, the
// port and device flags, whether it polls and whether its port is open.
QStringList snapshot(MainControlForm& m) {
    const ConnectionValues& v = m.session().values;
    QStringList shown{m.comm.ComStatusDisplay->text(), m.comm.ID->text(), m.comm.Version->text()};
    for (const bool flag :
         {v.ComPortStatus, v.ComStatus, m.Timer1->isActive(), m.session().portOpen}) {
        shown << QString::number(flag);
    }
    return shown;
}
const QStringList kGivenUp = {"Invalid Port", "???", "???", "0", "0", "0", "0"};
const QStringList kStartUp = {"ID", "VER", "SYNC", "SYNP", "SYNC", "DN", "VER"};
const QStringList kCom3 = {"COM3", "19200", "05"};

void enter(QLineEdit* entry, const QString& line) {
    entry->setText(line);
    QTest::keyClick(entry, Qt::Key_Return);
}

// By default device 05 at 19200 baud on COM3. The polling timer runs for real whenever a
// script waits.
struct RealVanish : RealDialog {
    explicit RealVanish(const QStringList& args = {"--port", "3", "--device", "5:19200"})
        : RealDialog(args) {}

    // "Connect" with the port, baud rate and ID picked; what the main window showed once the
    // script had run in it.
    QStringList connect(const std::function<void(MainControlForm&)>& script = {},
                        const QStringList& pick = kCom3) {
        form.combo->setCurrentText(pick[0]);
        form.baudCom->setCurrentText(pick[1]);
        form.DeviceIDCombo->setCurrentText(pick[2]);
        QStringList shown;
        modal.scripts.prepend([&](QDialog& w) {
            auto& m = dynamic_cast<MainControlForm&>(w);
            if (script) {
                script(m);
            }
            shown = snapshot(m);
        });
        form.Connect->click();
        return shown;
    }

    // The adapter is back: a new "Connect" runs the start-up and finds the device.
    void expectConnectsAgain(const QStringList& pick = kCom3) {
        EXPECT_EQ(sim.control("restore " + pick[0].mid(3)), "ok");
        prompter.clear();
        const qsizetype before = sim.sent().size();
        EXPECT_EQ(connect({}, pick),
                  QStringList({"Communication OK", "Stepvane-CAN", "V340", "1", "1", "1", "1"}));
        EXPECT_EQ(sim.sent().mid(before, kStartUp.size()), framed(pick[2], kStartUp));
        EXPECT_TRUE(prompter.shown.isEmpty());
    }
};

// The adapter goes away at each stage of the main window's work and while it has handed its
// port to a child window: what the child says, and the main window gives the port up.
TEST(RealVanish, DuringStartUpPollingAndChildWindows) {
    enum Opens { kNothing, kTerminal, kSetup, kSetupAndDown };
    const struct {
        const char* what;
        Opens opens;
        const char* after;  // the port vanishes after this line; none: once the child is open
        QStringList said;   // before the main window tries to take the port back
        const char* lastSent;
    } cases[] = {
        {"start-up", kNothing, "@05SYNC", {kIoError}, "@05SYNC"},
        {"polling tick", kNothing, "@05PX 3", {kIoError}, "@05PX"},
        // The typed line's answer ends at the failure; the next line finds the port closed.
        {"terminal exchange", kTerminal, "@05VER 3", {kIoError, kNotOpenError}, "@05VER"},
        {"upload", kSetup, "@05DB", {kIoError}, "@05DB"},
        {"download", kSetupAndDown, "@05ABORT", {kIoError}, "@05ABORT"},
        {"hand-over", kSetup, nullptr, {}, "@05RZ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RealVanish t;
        ASSERT_TRUE(t.sim.started());
        if (c.after) {
            EXPECT_EQ(t.sim.control(QString("vanish-after 3 ") + c.after), "ok");
        }
        t.modal.scripts.append([&](QDialog& d) {  // the child window
            if (dynamic_cast<SetupParameters*>(&d)) {
                ASSERT_TRUE(settleEngines());  // its opening upload
            }
            if (!c.after) {
                EXPECT_EQ(t.sim.control("vanish 3"), "ok");
            }
            if (auto* terminal = dynamic_cast<TerminalForm*>(&d)) {
                QElapsedTimer clock;
                clock.start();
                enter(terminal->SendText, "VER");
                enter(terminal->SendText, "PX");
                EXPECT_TRUE(settleEngines());
                EXPECT_LT(clock.elapsed(), 1000);  // the dead line is noticed at once
                EXPECT_EQ(terminal->logText(), ">@05VER\r\n<\r\n>@05PX\r\n");
            } else if (c.opens == kSetupAndDown) {
                dynamic_cast<SetupParameters&>(d).DownloadPar->click();
                ASSERT_TRUE(settleEngines());
            }
            EXPECT_EQ(t.prompter.messages(), c.said);
        });
        EXPECT_EQ(t.connect([&](MainControlForm& m) {
            if (c.opens != kNothing) {
                (c.opens == kTerminal ? m.ManualTerminal : m.Setup)->click();
            }
            for (QDeadlineTimer deadline(3000); m.session().values.ComPortStatus;) {
                ASSERT_FALSE(deadline.hasExpired());
                QTest::qWait(5);
            }
            QTest::qWait(100);  // ticks would run meanwhile if the timer still went
        }),
                  kGivenUp);
        // Taking the port back from a child window fails at the open, which is explained.
        const QString given =
            c.opens == kNothing
                ? kSelectAnotherPort
                : kSelectAnotherPort + "\rCOM3 leads to " + t.sim.portsDir() +
                      "/unplugged-com3, which is not there: the adapter is not plugged in."
                      "\rPlug it in, or pick another COM port.";
        EXPECT_EQ(t.prompter.messages(), c.said + QStringList{given});
        EXPECT_EQ(t.sim.sent().last(), c.lastSent);
        t.expectConnectsAgain();
    }
}

// "Search" over COM1 (device 02) and COM4 (device 01), both at 9600: COM1 goes away at a step
// of the scan, which passes it over silently and finds the device on COM4.
TEST(RealVanish, DuringAScan) {
    const struct {
        const char* what;
        int atStep;  // "vanish 1" before this step's tick on COM1; 0: after its first query
        QStringList sentOnCom1;
    } cases[] = {
        {"checking the port", 1, {}},
        {"opening at a baud rate", 3, {}},
        {"querying an ID", 0, {"@01DN"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RealVanish t({"--port", "1", "--device", "2", "--port", "4", "--device", "1"});
        ASSERT_TRUE(t.sim.started());
        if (c.atStep == 0) {
            EXPECT_EQ(t.sim.control("vanish-after 1 @01DN"), "ok");
        }
        EXPECT_TRUE(t.search(false, [&](const SearchCom& scan) {
            if (scan.Step == c.atStep && scan.PortNumber == 1) {
                t.sim.control("vanish 1");
            }
        }));
        EXPECT_EQ(t.prompter.messages(), QStringList{"NVQ-CAN Found on Port:4 Baud:9600 ID:01"});
        EXPECT_EQ(t.sim.sent("COM1"), c.sentOnCom1);
        t.expectConnectsAgain({"COM1", "9600", "02"});
    }
}

}  // namespace
