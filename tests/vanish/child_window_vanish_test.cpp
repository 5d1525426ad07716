#include <QTest>

#include "setup/setup_rig.h"
#include "support/engine_settle.h"
#include "terminal/terminal_form.h"
#include "vanish/vanish_rig.h"

namespace {

void enter(QLineEdit* entry, const QString& line) {
    entry->setText(line);
    QTest::keyClick(entry, Qt::Key_Return);
}

// The adapter goes away during the upload that opening the setup window runs: the upload ends
// at the failed line with one message and leaves the later controls alone; "Upload" once more
// says that the window's port is gone. Closing the window, the main window cannot take the port
// back and says so.
TEST(UploadVanish, TheUploadEndsAtTheFailedLine) {
    const QStringList all = uploadQueries();
    for (const char* key : {"EDO", "DB", "LCA", "SLR", "RZ"}) {
        SCOPED_TRACE(key);
        VanishRig r;
        r.device->values["LCA"] = "999";  // what the upload shows once it gets that far
        r.start();
        r.rig.hub.vanishAfter(1, QByteArray("@05") + key);
        const qsizetype reached = all.indexOf(key);
        r.withChild<SetupParameters>(r.form->Setup, [&](SetupParameters& w) {
            ASSERT_TRUE(settleEngines());
            EXPECT_EQ(r.rig.takeLines(), framed("05", all.mid(0, reached + 1)));
            EXPECT_EQ(r.rig.prompter.messages(), QStringList{kIoError});
            EXPECT_EQ(w.controls.params.LCA->text(), reached > all.indexOf("LCA") ? "999" : "300");
            w.UploadPar->click();
            ASSERT_TRUE(settleEngines());
            EXPECT_TRUE(r.rig.takeLines().isEmpty());
        });
        r.expectGivenUpThenReconnects({kIoError, kNotOpenError, kSelectAnotherPort});
    }
}

// The adapter goes away during "Down": the download ends at the failed line, with one message
// and without "Download Done!", also after the user confirmed a change of the communication
// method.
TEST(DownloadVanish, TheDownloadEndsAtTheFailedLineWithoutDone) {
    const struct {
        const char* after;
        bool changeMethod;
    } cases[] = {
        {"@05SR=0", false}, {"@05ABORT", false}, {"@05RT=0", false},
        {"@05CM", false},   {"@05CM=0", true},   {"@05RZ=0", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.after);
        VanishRig r;
        r.start();
        QStringList said;
        r.withChild<SetupParameters>(r.form->Setup, [&](SetupParameters& w) {
            ASSERT_TRUE(settleEngines());
            r.rig.takeLines();
            if (c.changeMethod) {
                w.controls.comm.Ena232->setChecked(true);
                r.rig.prompter.answers << true;
            }
            r.rig.hub.vanishAfter(1, c.after);
            w.DownloadPar->click();
            ASSERT_TRUE(settleEngines());
            const QStringList sent = r.rig.takeLines();
            EXPECT_EQ(sent.value(0), "@05SR=0");
            EXPECT_EQ(sent.indexOf(c.after), sent.size() - 1) << "sent once, and last";
            ASSERT_EQ(r.rig.prompter.shown.size(), c.changeMethod ? 2 : 1);
            EXPECT_EQ(r.rig.prompter.shown.first().kind, c.changeMethod ? "ask" : "info");
            said = r.rig.prompter.messages();
        });
        EXPECT_EQ(said.value(said.size() - 1), kIoError);
        r.expectGivenUpThenReconnects(said + QStringList{kSelectAnotherPort});
    }
}

// The adapter goes away during a line typed into the terminal window: the line's answer ends
// where the port failed, the log stays one line per entry, the user is told once per line, and
// closing the terminal the main window cannot take the port back.
TEST(TerminalVanish, ALineEndsAtTheFailureAndTheLogKeepsItsLines) {
    const struct {
        const char* what;
        const char* command;
        QStringList sent;  // the port vanishes after it; before the write when it is empty
        QString log;
    } cases[] = {
        {"waiting for the answer", "VER", {"@05VER"}, ">@05VER\r\n<\r\n"},
        {"in the command's delay", "STORE", {"@05STORE"}, ">@05STORE\r\n"},
        {"before the write", "VER", {}, ">@05VER\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VanishRig r;
        r.start();
        r.withChild<TerminalForm>(r.form->ManualTerminal, [&](TerminalForm& t) {
            EXPECT_TRUE(settleEngines());  // the window has opened its port
            r.vanishAfterLast(c.sent);
            enter(t.SendText, c.command);
            enter(t.SendText, "PX");
            EXPECT_TRUE(settleEngines());
            EXPECT_EQ(r.rig.takeLines(), c.sent);
            EXPECT_EQ(t.logText(), c.log + ">@05PX\r\n");
        });
        r.expectGivenUpThenReconnects({kIoError, kNotOpenError, kSelectAnotherPort});
    }
}

// The main window's own terminal pane reads the window's port: its failure is the window's,
// reported once and not again by the next tick.
TEST(TerminalVanish, ThePaneTakesTheMainWindowsFailurePath) {
    VanishRig r;
    r.start();
    r.rig.hub.vanishAfter(1, "@05VER");
    enter(r.form->terminal.SendTerminalText, "VER");
    EXPECT_EQ(r.rig.takeLines(), QStringList{"@05VER"});
    EXPECT_EQ(r.form->session().PreviousCommand, "VER");
    r.expectGivenUpThenReconnects({kIoError, kSelectAnotherPort});
}

const QString kNoSuchPort = "Communication Error! No such file or directory";

// The adapter goes away while the main window has handed its port to a child window: the child
// copes on its own, and when it closes the main window cannot open the port again. It says so
// once, ends its pause and stays without a port.
TEST(HandOverVanish, TheMainWindowCannotTakeThePortBack) {
    const struct {
        const char* what;
        bool setup;       // the setup window, else the terminal
        bool goneBefore;  // unplugged before the click: the child cannot open the port either
        QStringList said;
    } cases[] = {
        {"terminal, gone while it is open", false, false, {kSelectAnotherPort}},
        {"setup, gone while it is open", true, false, {kSelectAnotherPort}},
        {"terminal, gone before it opens", false, true, {kNoSuchPort, kSelectAnotherPort}},
        {"setup, gone before it opens",
         true,
         true,
         {kNoSuchPort, "Communication port not open!", kSelectAnotherPort}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VanishRig r;
        r.start();
        if (c.goneBefore) {
            r.rig.hub.vanish(1);
        }
        r.withChild<QDialog>(c.setup ? r.form->Setup : r.form->ManualTerminal, [&](QDialog&) {
            EXPECT_TRUE(r.form->session().PausePolling);
            ASSERT_TRUE(settleEngines());
            // The upload of the setup window is the only traffic while a child is open.
            EXPECT_TRUE(settleEngines());
            EXPECT_EQ(r.rig.takeLines().size(), c.setup && !c.goneBefore ? 24 : 0);
            r.rig.hub.vanish(1);
        });
        EXPECT_EQ(r.rig.modal.shownCount, 1);
        EXPECT_TRUE(r.rig.takeLines().isEmpty());
        r.expectGivenUpThenReconnects(c.said);
    }
}

// Unplugged and plugged in again while the terminal is open: the terminal's handle died with
// the adapter, but the main window opens the port afresh and polls on.
TEST(HandOverVanish, AnAdapterBackBeforeTheChildClosesIsTakenBack) {
    VanishRig r;
    r.start();
    r.withChild<TerminalForm>(r.form->ManualTerminal, [&](TerminalForm& t) {
        EXPECT_TRUE(settleEngines());  // the window has opened its port
        r.rig.hub.vanish(1);
        enter(t.SendText, "VER");
        EXPECT_TRUE(settleEngines());  // the line meets the unplugged adapter
        r.rig.hub.restore(1);
    });
    EXPECT_EQ(r.rig.prompter.messages(), QStringList{kIoError});
    MainSession& s = r.form->session();
    EXPECT_TRUE(s.values.ComPortStatus && s.values.ComStatus && s.portOpen &&
                r.form->Timer1->isActive() && !s.PausePolling);
    EXPECT_EQ(r.form->comm.ComStatusDisplay->text(), "Communication OK");
    r.tickAt(1);
    EXPECT_EQ(r.rig.takeLines(), framed("05", {"AR", "EX", "PX"}));
}

}  // namespace
