#include <QTest>

#include "setup/setup_messages.h"
#include "terminal/terminal_form.h"
#include "vanish/vanish_rig.h"

namespace {

const QString kNoSuchPort = QString(kCommunicationError) + "No such file or directory";

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
        {"terminal, gone while it is open", false, false, {kPortNotAvailable}},
        {"setup, gone while it is open", true, false, {kPortNotAvailable}},
        {"terminal, gone before it opens", false, true, {kNoSuchPort, kPortNotAvailable}},
        {"setup, gone before it opens", true, true, {kNoSuchPort, kPortNotOpen, kPortNotAvailable}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VanishRig r;
        r.start();
        r.rig.takeLines();
        bool paused = false;
        QStringList childSent;
        r.rig.modal.scripts.append([&](QDialog&) {
            paused = r.form->session().PausePolling;
            childSent = r.rig.takeLines();
            r.rig.hub.vanish(1);
        });
        if (c.goneBefore) {
            r.rig.hub.vanish(1);
        }
        (c.setup ? r.form->Setup : r.form->ManualTerminal)->click();
        EXPECT_EQ(r.rig.modal.shownCount, 1);
        EXPECT_TRUE(paused);
        // The upload of the setup window is the only traffic while a child is open.
        EXPECT_EQ(childSent.size(), c.setup && !c.goneBefore ? 24 : 0);
        EXPECT_TRUE(r.rig.takeLines().isEmpty());
        r.expectPortGivenUp(c.said);
        r.expectSilentClosedAndReconnectable();
    }
}

// Unplugged and plugged in again while the terminal is open: the terminal's handle died with
// the adapter, but the main window opens the port afresh and polls on.
TEST(HandOverVanish, AnAdapterBackBeforeTheChildClosesIsTakenBack) {
    VanishRig r;
    r.start();
    r.rig.takeLines();
    r.rig.modal.scripts.append([&](QDialog& d) {
        auto& t = dynamic_cast<TerminalForm&>(d);
        r.rig.hub.vanish(1);
        t.SendText->setText("VER");
        QTest::keyClick(t.SendText, Qt::Key_Return);
        r.rig.hub.restore(1);
    });
    r.form->ManualTerminal->click();
    EXPECT_EQ(r.rig.prompter.messages(), QStringList{kIoError});
    const ConnectionValues& v = r.form->session().values;
    EXPECT_TRUE(v.ComPortStatus);
    EXPECT_TRUE(v.ComStatus);
    EXPECT_TRUE(r.form->session().port().isOpen());
    EXPECT_TRUE(r.form->Timer1->isActive());
    EXPECT_FALSE(r.form->session().PausePolling);
    EXPECT_EQ(r.form->comm.ComStatusDisplay->text(), "Communication OK");
    r.tickAt(1);
    EXPECT_EQ(r.rig.takeLines(), framed("05", {"AR", "EX", "PX"}));
}

}  // namespace
