#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>
#include <functional>

#include "connect/search_com.h"
#include "connect/select_com_form.h"
#include "e2e/sim_process.h"
#include "link/messages.h"
#include "link/qt_serial_port.h"
#include "main_window/main_control_form.h"
#include "setup/setup_parameters.h"
#include "support/qt_printers.h"
#include "terminal/terminal_form.h"
#include "widgets/modal_runner.h"
#include "widgets/scripted_prompter.h"

namespace {

const QString kIoError = QString(kCommunicationError) + "Input/output error";
const QString kNotOpenError = QString(kCommunicationError) + "Port is not open";

// What the main window showed when the test looked, taken before the window is gone.
struct MainState {
    QString display;
    QString identity;
    QString version;
    bool portStatus = true;
    bool comStatus = true;
    bool polling = true;
    bool portOpen = true;
};

MainState snapshot(MainControlForm& m) {
    return {m.comm.ComStatusDisplay->text(), m.comm.ID->text(),
            m.comm.Version->text(),          m.session().values.ComPortStatus,
            m.session().values.ComStatus,    m.Timer1->isActive(),
            m.session().port().isOpen()};
}

void expectGivenUp(const MainState& s) {
    EXPECT_EQ(s.display, "Invalid Port");
    EXPECT_EQ(s.identity, "???");
    EXPECT_EQ(s.version, "???");
    EXPECT_FALSE(s.portStatus);
    EXPECT_FALSE(s.comStatus);
    EXPECT_FALSE(s.polling);
    EXPECT_FALSE(s.portOpen);
}

void enter(QLineEdit* entry, const QString& line) {
    entry->setText(line);
    QTest::keyClick(entry, Qt::Key_Return);
}

// The program's connection dialog and windows on real serial ports, against nvq-can-sim with
// device 05 at 19200 baud on COM3. Child windows run their scripts as ScriptedModalRunner shows
// them; the polling timer runs for real whenever a script waits.
struct RealVanish {
    explicit RealVanish(const QStringList& args = {"--port", "3", "--device", "5:19200"})
        : sim(args) {}

    // "Connect" to COM3, 19200, 05; the script runs while the main window is open.
    void connect(const std::function<void(MainControlForm&)>& script, const QString& port = "COM3",
                 const QString& baud = "19200", const QString& id = "05") {
        dialog.combo->setCurrentText(port);
        dialog.baudCom->setCurrentText(baud);
        dialog.DeviceIDCombo->setCurrentText(id);
        modal.scripts.prepend([script](QDialog& w) { script(dynamic_cast<MainControlForm&>(w)); });
        dialog.Connect->click();
    }

    // The lines the program sent, as the simulator received them.
    QStringList sent() const {
        QStringList lines;
        for (const QString& line : sim.log().split('\n')) {
            const int at = line.indexOf(" -> ");
            if (at >= 0) {
                lines << line.mid(at + 4).split("<CR>", Qt::SkipEmptyParts);
            }
        }
        return lines;
    }

    // The adapter is back: a new "Connect" finds the device.
    void expectConnectsAgain(const QString& port = "COM3", const QString& baud = "19200",
                             const QString& id = "05") {
        EXPECT_EQ(sim.control(QStringLiteral("restore %1").arg(port.mid(3))), "ok");
        prompter.clear();
        MainState s;
        connect([&](MainControlForm& m) { s = snapshot(m); }, port, baud, id);
        EXPECT_EQ(s.display, "Communication OK");
        EXPECT_TRUE(s.polling);
        EXPECT_TRUE(prompter.shown.isEmpty());
    }

    SimProcess sim;
    QTemporaryDir dir;
    ScriptedPrompter prompter;
    ScriptedModalRunner modal;
    WindowServices services{[] { return std::make_unique<QtSerialPort>(); }, &prompter, &modal};
    SelectComForm dialog{services, dir.filePath("nvq-can.ini")};
};

TEST(RealVanish, DuringStartUp) {
    RealVanish t;
    ASSERT_TRUE(t.sim.started());
    EXPECT_EQ(t.sim.control("vanish-after 3 @05SYNC"), "ok");
    MainState s;
    QElapsedTimer clock;
    clock.start();
    t.connect([&](MainControlForm& m) { s = snapshot(m); });
    EXPECT_LT(clock.elapsed(), 1000);  // the dead line is noticed at once, not waited out
    EXPECT_EQ(t.prompter.messages(), QStringList({kIoError, kPortNotAvailable}));
    expectGivenUp(s);
    EXPECT_EQ(t.sent(), QStringList({"@05ID", "@05VER", "@05SYNC"}));
    t.expectConnectsAgain();
}

// The timer runs the ticks; after the failure it has stopped and nothing more is said.
TEST(RealVanish, DuringAPollingTick) {
    RealVanish t;
    ASSERT_TRUE(t.sim.started());
    MainState s;
    QString before;
    t.connect([&](MainControlForm& m) {
        before = m.comm.ComStatusDisplay->text();
        EXPECT_EQ(t.sim.control("vanish-after 3 @05PX 3"), "ok");
        const QDeadlineTimer deadline(3000);
        while (m.session().values.ComPortStatus && !deadline.hasExpired()) {
            QTest::qWait(5);
        }
        QTest::qWait(100);  // ticks would run meanwhile if the timer still went
        s = snapshot(m);
    });
    EXPECT_EQ(before, "Communication OK");
    EXPECT_EQ(t.prompter.messages(), QStringList({kIoError, kPortNotAvailable}));
    expectGivenUp(s);
    EXPECT_EQ(t.sent().last(), "@05PX");
    t.expectConnectsAgain();
}

// A line typed into the terminal window: its answer line ends at the failure; the next line
// finds the port closed; closing the terminal, the main window cannot reopen the port.
TEST(RealVanish, DuringATerminalExchange) {
    RealVanish t;
    ASSERT_TRUE(t.sim.started());
    MainState s;
    QString log;
    QStringList saidInTerminal;
    t.modal.scripts.append([&](QDialog& d) {
        auto& terminal = dynamic_cast<TerminalForm&>(d);
        EXPECT_EQ(t.sim.control("vanish-after 3 @05VER"), "ok");
        QElapsedTimer clock;
        clock.start();
        enter(terminal.SendText, "VER");
        enter(terminal.SendText, "PX");
        EXPECT_LT(clock.elapsed(), 1000);
        log = terminal.logText();
        saidInTerminal = t.prompter.messages();
    });
    t.connect([&](MainControlForm& m) {
        m.ManualTerminal->click();
        s = snapshot(m);
    });
    EXPECT_EQ(log, ">@05VER\r\n<\r\n>@05PX\r\n");
    EXPECT_EQ(saidInTerminal, QStringList({kIoError, kNotOpenError}));
    EXPECT_EQ(t.prompter.messages(), QStringList({kIoError, kNotOpenError, kPortNotAvailable}));
    expectGivenUp(s);
    t.expectConnectsAgain();
}

// The setup window's upload on opening, its "Down", and the port lost while it is open.
TEST(RealVanish, DuringTheSetupWindow) {
    const struct {
        const char* what;
        const char* before;  // control line before "Setup" is clicked
        const char* inside;  // control line while the setup window is open
        bool download;
        QStringList said;
        const char* lastSent;
    } cases[] = {
        {"upload", "vanish-after 3 @05DB", nullptr, false, {kIoError}, "@05DB"},
        {"download", nullptr, "vanish-after 3 @05ABORT", true, {kIoError}, "@05ABORT"},
        {"hand-over", nullptr, "vanish 3", false, {}, "@05RZ"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        RealVanish t;
        ASSERT_TRUE(t.sim.started());
        MainState s;
        QStringList saidInSetup;
        t.modal.scripts.append([&](QDialog& d) {
            auto& setup = dynamic_cast<SetupParameters&>(d);
            if (c.inside) {
                EXPECT_EQ(t.sim.control(c.inside), "ok");
            }
            if (c.download) {
                setup.DownloadPar->click();
            }
            saidInSetup = t.prompter.messages();
        });
        if (c.before) {
            EXPECT_EQ(t.sim.control(c.before), "ok");
        }
        t.connect([&](MainControlForm& m) {
            m.Setup->click();
            s = snapshot(m);
        });
        EXPECT_EQ(saidInSetup, c.said);
        EXPECT_EQ(t.prompter.messages(), c.said + QStringList{kPortNotAvailable});
        expectGivenUp(s);
        EXPECT_EQ(t.sent().last(), c.lastSent);
        t.expectConnectsAgain();
    }
}

// "Search" over COM1 (device 02) and COM4 (device 01), both at 9600: COM1 goes away at a step
// of the scan, which passes it over silently and finds the device on COM4.
TEST(RealVanish, DuringAScan) {
    const QStringList twoPorts = {"--port", "1", "--device", "2", "--port", "4", "--device", "1"};
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
        RealVanish t(twoPorts);
        ASSERT_TRUE(t.sim.started());
        if (c.atStep == 0) {
            EXPECT_EQ(t.sim.control("vanish-after 1 @01DN"), "ok");
        }
        bool endedItself = false;
        t.modal.scripts.append([&](QDialog& w) {
            auto& scan = dynamic_cast<SearchCom&>(w);
            for (int i = 0; i < 2000 && scan.isVisible(); ++i) {
                if (scan.Step == c.atStep && scan.PortNumber == 1) {
                    t.sim.control("vanish 1");
                }
                scan.StatusTimer_Timer();
            }
            endedItself = !scan.isVisible();
        });
        t.dialog.SearchNVQ->click();
        EXPECT_TRUE(endedItself);
        EXPECT_EQ(t.prompter.messages(), QStringList{"NVQ-CAN Found on Port:4 Baud:9600 ID:01"});
        QStringList onCom1;
        for (const QString& line : t.sim.log().split('\n')) {
            if (line.contains("COM1 -> ")) {
                onCom1 << line.mid(line.indexOf(" -> ") + 4).split("<CR>", Qt::SkipEmptyParts);
            }
        }
        EXPECT_EQ(onCom1, c.sentOnCom1);
        t.expectConnectsAgain("COM1", "9600", "02");
    }
}

}  // namespace
