#include <QTest>

#include "main_form_fixture.h"

namespace {

class TerminalPaneTest : public MainFormTest {
  protected:
    // Types a line and presses Enter; returns the virtual time it took in milliseconds.
    qint64 enter(const QString& line) {
        pane().SendTerminalText->setText(line);
        const qint64 start = rig.hub.nowUs();
        QTest::keyClick(pane().SendTerminalText, Qt::Key_Return);
        settleEngines();
        return (rig.hub.nowUs() - start) / 1000;
    }
    TerminalPane& pane() { return form->terminal; }
    QString reply() { return pane().ReceiveTerminalText->text(); }
};

// Enter sends the line, and it presses no button of the window, here or in another entry.
TEST_F(TerminalPaneTest, EnterSendsTheLineAndShowsTheReplyAsItCame) {
    form->show();
    device->forcePrefix = true;
    enter("VER");
    EXPECT_EQ(rig.takeLines(), QStringList{"@05VER"});
    EXPECT_EQ(reply(), "#05V340");  // no prefix stripping here
    EXPECT_EQ(pane().SendTerminalText->text(), "");

    QTest::keyClick(pane().SendTerminalText, Qt::Key_F1);
    EXPECT_EQ(pane().SendTerminalText->text(), "VER");
    EXPECT_EQ(click(pane().Command1), QStringList{"@05VER"});  // "Send" acts like Enter

    for (QLineEdit* entry :
         {form->control.SetSpeed, form->onTheFly.OnTheFlyPos, form->sync.SyncPos}) {
        QTest::keyClick(entry, Qt::Key_Return);
        EXPECT_TRUE(rig.takeLines().isEmpty()) << entry->objectName().toStdString();
    }
    EXPECT_TRUE(form->isVisible());

    enter("");
    onLine([](MainLine& m) { m.values.ComStatus = false; });
    enter("VER");
    EXPECT_TRUE(rig.takeLines().isEmpty());
    EXPECT_EQ(pane().SendTerminalText->text(), "VER");
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
}

TEST_F(TerminalPaneTest, TheDeviceIdFollowsTheWindowAndABroadcastAwaitsNoReply) {
    EXPECT_EQ(pane().DeviceIDComboTerminal->currentText(), "05");
    rig.hub.bus(1)->addDevice(6);
    pick("06");
    QCoreApplication::processEvents();
    EXPECT_EQ(pane().DeviceIDComboTerminal->currentText(), "06");
    enter("VER");
    EXPECT_EQ(rig.takeLines().last(), "@06VER");

    pane().DeviceIDComboTerminal->setCurrentText("00");
    EXPECT_LT(enter("VER"), 2);
    EXPECT_EQ(rig.takeLines(), QStringList{"@00VER"});
    EXPECT_EQ(reply(), "BROADCAST SENT!");
}

TEST_F(TerminalPaneTest, SilenceReplacesAPartialReplyAfterTheCommandsWait) {
    device->faults.rawReplies = {"V3"};
    qint64 took = enter("VER");
    EXPECT_EQ(reply(), "NO REPLY!");
    EXPECT_TRUE(took >= 500 && took < 505) << took;
    // The wait comes before the reading and covers the delay; after the unanswered command the
    // line is first given its silence limit (101 ms) to fall quiet.
    device->faults.replyDelayMs = 80;
    took = enter("SR=1");
    EXPECT_NE(reply(), "NO REPLY!");
    EXPECT_TRUE(took >= 1101 && took < 1103) << took;
    device->faults.noCR = true;  // a stream that never ends its line is cut off too
    device->faults.endless = true;
    EXPECT_LT(enter("VER"), 4000);
    EXPECT_EQ(reply(), "NO REPLY!");
    EXPECT_TRUE(values().ComStatus);
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
}

// The pane's command goes through the line's state like every exchange: an answer that comes
// after the pane stopped waiting is dropped, and the next ticks each get their own reply.
TEST_F(TerminalPaneTest, ALateAnswerToAPaneCommandIsNoLaterCommandsReply) {
    enter("PX=1234");
    enter("EX=77");
    device->faults.late = {{"PX", 600, 1}};
    const qint64 took = enter("PX");
    EXPECT_TRUE(took >= 500 && took < 505) << took;
    EXPECT_EQ(reply(), "NO REPLY!");
    for (int tick = 0; tick < 2; ++tick) {
        setPollStep(1);
        tickOnce();
        EXPECT_EQ(form->status.Pos->text(), "1234") << tick;
        EXPECT_EQ(form->status.Enc->text(), "77") << tick;
        EXPECT_FALSE(form->session().ARMode) << tick;
    }
    const LineState& line = form->session().line;
    EXPECT_EQ(line.unanswered, 1U);
    EXPECT_EQ(line.staleDropped, 1U);
}

}  // namespace
