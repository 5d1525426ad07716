// The main window on its line engine: the window's thread stays free while a job waits on the
// device, a press takes the controls as they were when it was made, and closing the window while
// a job runs ends it cleanly.
#include <QTimer>
#include <atomic>

#include "main_window/main_form_fixture.h"
#include "support/held_line.h"

namespace {

class LineEngineWindowTest : public MainFormTest {
  protected:
    LineEngineWindowTest() { setPollStep(1); }

    HeldLine held{rig.hub};
};

// A slow device holds a tick at "EX" until a timer of the window's thread has fired: a window
// that waited on the line in its own thread would sit there until the hold's bound.
TEST_F(LineEngineWindowTest, TheWindowRunsItsEventsWhileATickWaitsOnTheDevice) {
    std::atomic<bool> fired = false;
    held.arm("@05EX", [&fired] { return fired.load(); });
    form->Timer1_Timer();
    QTimer::singleShot(0, form.get(), [&fired] { fired = true; });
    ASSERT_TRUE(settleEngines(true));
    EXPECT_TRUE(held.endedInTime());
    EXPECT_EQ(rig.takeLines(), framed("05", {"AR", "EX", "PX"}));
}

// Entries changed after a press and before its turn on the line: the job sends what the window
// showed at the press.
TEST_F(LineEngineWindowTest, APressSendsTheControlsAsTheyWereWhenItWasMade) {
    ControlPanel& c = form->control;
    OnTheFlyPanel& f = form->onTheFly;
    const struct {
        const char* what;
        QAbstractButton* button;
        std::function<void()> changeAfter;
        QStringList sent;  // after the tick
    } cases[] = {
        {"profile", c.JOGP, [&c] { c.SetSpeed->setText("2000"); }, withProfile({"J+"})},
        {"position", c.abs, [&c] { c.SetPosition->setText("-5"); }, withProfile({"X1000"})},
        {"on-the-fly speed", f.Command9, [&f] { f.SSPDX->setText("7"); },
         framed("05", {"ACC=1000", "SSPD1000"})},
    };
    for (const auto& [what, button, changeAfter, sent] : cases) {
        SCOPED_TRACE(what);
        std::atomic<bool> pressed = false;
        held.arm("@05EX", [&pressed] { return pressed.load(); });
        form->Timer1_Timer();
        ASSERT_TRUE(held.waitUntilHeld());
        button->click();
        changeAfter();
        pressed = true;
        EXPECT_EQ(rig.takeLines(), framed("05", {"AR", "EX", "PX"}) + sent);
        form->control.SetSpeed->setText("1000");
        form->control.SetPosition->setText("1000");
        form->onTheFly.SSPDX->setText("1000");
        setPollStep(1);
    }
}

// Closing the window while a tick waits on the device: the "Close" button waits for the tick;
// the window's frame ends it after the exchange under way. Either way the port is closed, nothing
// is said and nothing crashes.
TEST_F(LineEngineWindowTest, ClosingWhileATickRunsEndsItCleanly) {
    const std::pair<bool, QStringList> cases[] = {
        {true, framed("05", {"AR", "EX", "PX"})},
        {false, framed("05", {"AR", "EX"})},
    };
    for (const auto& [byButton, sent] : cases) {
        SCOPED_TRACE(byButton ? "Close" : "frame");
        start(1, true);
        setPollStep(1);
        form->show();
        held.arm("@05EX", [] { return LineEngine::allIdle(); });
        form->Timer1_Timer();
        ASSERT_TRUE(held.waitUntilHeld());
        if (byButton) {
            form->Command2->click();
            held.release();
        } else {
            form->close();  // the hold ends once the window has let go of its line
        }
        ASSERT_TRUE(settleEngines());
        EXPECT_FALSE(form->isVisible());
        EXPECT_EQ(rig.takeLines(), sent);
        EXPECT_TRUE(rig.hub.open_.isEmpty());
        EXPECT_TRUE(rig.prompter.shown.isEmpty());
        EXPECT_TRUE(held.endedInTime());
    }
}

}  // namespace
