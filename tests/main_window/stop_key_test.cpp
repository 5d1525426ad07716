#include <QAccessible>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>
#include <QWindow>

#include "main_window/main_form_fixture.h"

namespace {

// The window shown, so that input reaches it through its window as the window system's does.
class StopKeyTest : public MainFormTest {
  protected:
    StopKeyTest() {
        form->show();
        QCoreApplication::processEvents();
        rig.takeLines();
    }
    ~StopKeyTest() override { rig.hub.afterLine = nullptr; }

    // Input that the window handles while the given line is out, waiting for its answer.
    void inputDuring(const QByteArray& line, const std::vector<QEvent*>& events) {
        rig.hub.afterLine = [this, line, pending = events](const QByteArray& written) mutable {
            if (written == line) {
                deliver(pending);
                pending.clear();
            }
        };
    }
    // From the line's thread: the window handles the input before the line goes on.
    void deliver(const std::vector<QEvent*>& events) {
        QWindow* window = form->windowHandle();
        inWindowThread([window, events] {
            for (QEvent* e : events) {
                QCoreApplication::postEvent(window, e);
            }
            QCoreApplication::sendPostedEvents();
        });
    }
    QEvent* escape() { return new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier); }
    std::vector<QEvent*> click(QWidget* button) {
        const QPointF at = button->mapTo(form.get(), button->rect().center());
        const QPointF global = form->mapToGlobal(at);
        return {new QMouseEvent(QEvent::MouseButtonPress, at, global, Qt::LeftButton,
                                Qt::LeftButton, Qt::NoModifier),
                new QMouseEvent(QEvent::MouseButtonRelease, at, global, Qt::LeftButton,
                                Qt::NoButton, Qt::NoModifier)};
    }
    // A polling tick with PollStep 1 and the input that comes during it; the lines sent, until
    // the window has handled everything.
    QStringList tickWith(const QByteArray& during, const std::vector<QEvent*>& events) {
        inputDuring(during, events);
        setPollStep(1);
        form->Timer1_Timer();
        return rig.takeLines();
    }
};

const QStringList kJogMinus = withProfile({"J-"});

std::vector<QEvent*> operator+(std::vector<QEvent*> a, const std::vector<QEvent*>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

TEST_F(StopKeyTest, EscapeSendsAbortAloneAndLeavesTheWindowOpen) {
    form->control.Accel->setText("fast");  // a profile entry that would stop ISTOP's profile
    const std::tuple<const char*, std::function<void()>, QStringList> cases[] = {
        {"communicating", [] {}, framed("05", {"ABORT"})},
        // A stop is worth trying on a device that went quiet, as long as the port is open.
        {"device silent", [this] { onLine([](MainLine& m) { m.values.ComStatus = false; }); },
         framed("05", {"ABORT"})},
        {"port given up",
         [this] { onLine([](MainLine& m) { m.values.ComPortStatus = false; }); },
         {}},
    };
    for (const auto& [what, arrange, lines] : cases) {
        arrange();
        QTest::keyClick(form.get(), Qt::Key_Escape);
        EXPECT_EQ(rig.takeLines(), lines) << what;
        EXPECT_TRUE(form->isVisible()) << what;
        EXPECT_TRUE(rig.prompter.shown.isEmpty()) << what;
        onLine([](MainLine& m) { m.values.ComStatus = m.values.ComPortStatus = true; });
    }
}

TEST_F(StopKeyTest, EscapeDuringATickGoesOutWhenTheExchangeUnderWayEnds) {
    const QStringList tick = framed("05", {"AR", "EX", "PX"});
    const std::tuple<const char*, QByteArray, std::vector<QEvent*>, QStringList> cases[] = {
        {"Escape", "@05EX", {escape()}, framed("05", {"AR", "EX", "ABORT", "PX"})},
        {"Escape on the last line", "@05PX", {escape()}, framed("05", {"AR", "EX", "PX", "ABORT"})},
        // Other input waits for the end of the tick, and is not lost.
        {"a click", "@05AR", click(form->control.JOGN), tick + kJogMinus},
        // A click before Escape must not start the axis after the stop; one after it goes out.
        {"a click, then Escape", "@05AR", click(form->control.JOGN) + std::vector{escape()},
         framed("05", {"AR", "ABORT", "EX", "PX"})},
        {"Escape, then a click", "@05AR", std::vector{escape()} + click(form->control.JOGN),
         framed("05", {"AR", "ABORT", "EX", "PX"}) + kJogMinus},
    };
    for (const auto& [what, during, events, lines] : cases) {
        EXPECT_EQ(tickWith(during, events), lines) << what;
        EXPECT_TRUE(form->isVisible()) << what;
    }
}

// Every press made while a tick runs is carried out once, in the order made, after the tick:
// an accessibility "press" (a screen reader's; Qt clicks the button from a timer), a key typed
// into the terminal pane and a mouse click. None is dropped, and none cuts into the tick.
TEST_F(StopKeyTest, PressesFromEverySourceRunOnceInOrderAfterTheTick) {
    QApplication::setActiveWindow(form.get());
    form->terminal.SendTerminalText->setFocus();
    form->terminal.SendTerminalText->setText("VER");
    QAccessibleInterface* button = QAccessible::queryAccessibleInterface(form->control.JOGP);
    ASSERT_NE(button, nullptr);
    // Made here: an event made in the line's thread would give Qt's keyboard device to that thread.
    const std::vector<QEvent*> stopClick = click(form->control.RSTOP);
    const std::vector<QEvent*> enterKey = {new QKeyEvent(QEvent::KeyPress, Qt::Key_Return, {})};
    rig.hub.afterLine = [&](const QByteArray& written) {
        if (written == "@05AR") {
            inWindowThread([button] {
                button->actionInterface()->doAction(QAccessibleActionInterface::pressAction());
            });
            // Long enough for the button's click timer to have run in the window's thread.
            QThread::msleep(150);
        } else if (written == "@05EX") {
            deliver(enterKey);
        } else if (written == "@05PX") {
            deliver(stopClick);
        }
    };
    setPollStep(4);
    form->Timer1_Timer();
    ASSERT_TRUE(settleEngines(true));
    EXPECT_EQ(rig.takeLines(), framed("05", {"AR", "EX", "PX", "LTS", "SYNS", "CUR"}) +
                                   withProfile({"J+"}) + framed("05", {"VER"}) +
                                   withProfile({"STOP"}));
    EXPECT_EQ(form->terminal.ReceiveTerminalText->text(), "V340");
}

}  // namespace
