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
    values().ComStatus = false;
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
    device->faults.replyDelayMs = 80;  // the wait comes before the reading and covers the delay
    took = enter("SR=1");
    EXPECT_NE(reply(), "NO REPLY!");
    EXPECT_TRUE(took >= 1000 && took < 1002) << took;
    device->faults.noCR = true;  // a stream that never ends its line is cut off too
    device->faults.endless = true;
    EXPECT_LT(enter("VER"), 4000);
    EXPECT_EQ(reply(), "NO REPLY!");
    EXPECT_TRUE(values().ComStatus);
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
}

}  // namespace
