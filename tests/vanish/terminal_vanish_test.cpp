#include <QTest>
#include <functional>

#include "terminal/terminal_form.h"
#include "vanish/vanish_rig.h"

namespace {

void enter(QLineEdit* entry, const QString& line) {
    entry->setText(line);
    QTest::keyClick(entry, Qt::Key_Return);
}

// The adapter goes away during a line typed into the terminal window: the line's answer ends
// where the port failed, the log stays one line per entry, the user is told once per line, and
// closing the terminal the main window cannot take the port back.
TEST(TerminalVanish, ALineEndsAtTheFailureAndTheLogKeepsItsLines) {
    const struct {
        const char* what;
        const char* command;
        bool goneBeforeWrite;
        QStringList sent;
        QString log;
    } cases[] = {
        {"waiting for the answer", "VER", false, {"@05VER"}, ">@05VER\r\n<\r\n"},
        {"in the command's delay", "STORE", false, {"@05STORE"}, ">@05STORE\r\n"},
        {"before the write", "VER", true, {}, ">@05VER\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VanishRig r;
        r.start();
        r.rig.takeLines();
        QStringList sent;
        QStringList said;
        QString log;
        r.rig.modal.scripts.append([&](QDialog& d) {
            auto& t = dynamic_cast<TerminalForm&>(d);
            if (c.goneBeforeWrite) {
                r.rig.hub.vanish(1);
            } else {
                r.rig.hub.vanishAfter(1, QByteArray("@05") + c.command);
            }
            enter(t.SendText, c.command);
            enter(t.SendText, "PX");
            sent = r.rig.takeLines();
            said = r.rig.prompter.messages();
            log = t.logText();
        });
        r.form->ManualTerminal->click();
        EXPECT_EQ(sent, c.sent);
        EXPECT_EQ(said, QStringList({kIoError, kNotOpenError}));
        EXPECT_EQ(log, c.log + ">@05PX\r\n");
        r.expectPortGivenUp({kIoError, kNotOpenError, kPortNotAvailable});
        r.expectSilentClosedAndReconnectable();
    }
}

// The main window's own terminal pane reads the window's port: its failure is the window's,
// reported once and not again by the next tick.
TEST(TerminalVanish, ThePaneTakesTheMainWindowsFailurePath) {
    VanishRig r;
    r.start();
    r.rig.takeLines();
    r.rig.hub.vanishAfter(1, "@05VER");
    enter(r.form->terminal.SendTerminalText, "VER");
    EXPECT_EQ(r.rig.takeLines(), QStringList{"@05VER"});
    EXPECT_EQ(r.form->session().PreviousCommand, "VER");
    r.expectPortGivenUp({kIoError, kPortNotAvailable});
    r.expectSilentClosedAndReconnectable();
}

}  // namespace
