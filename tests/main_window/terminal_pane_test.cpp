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

TEST_F(TerminalPaneTest, EnterSendsTheLineAndShowsTheReplyAsItCame) {
    device->forcePrefix = true;
    enter("VER");
    EXPECT_EQ(rig.takeLines(), QStringList{"@05VER"});
    EXPECT_EQ(reply(), "#05V340");  // no prefix stripping here
    EXPECT_EQ(pane().SendTerminalText->text(), "");
    EXPECT_EQ(form->session().PreviousCommand, "VER");

    QTest::keyClick(pane().SendTerminalText, Qt::Key_F1);
    EXPECT_EQ(pane().SendTerminalText->text(), "VER");
    EXPECT_TRUE(rig.takeLines().isEmpty());

    pane().Command1->click();  // "Send" acts like Enter
    EXPECT_EQ(rig.takeLines(), QStringList{"@05VER"});

    enter("");
    values().ComStatus = false;
    enter("VER");
    EXPECT_TRUE(rig.takeLines().isEmpty());
    EXPECT_EQ(pane().SendTerminalText->text(), "VER");
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
}

TEST_F(TerminalPaneTest, EnterPressesNoButtonOfTheWindow) {
    form->show();
    enter("VER");
    EXPECT_EQ(rig.takeLines(), QStringList{"@05VER"});
    for (QLineEdit* entry :
         {form->control.SetSpeed, form->onTheFly.OnTheFlyPos, form->sync.SyncPos}) {
        QTest::keyClick(entry, Qt::Key_Return);
        EXPECT_TRUE(rig.takeLines().isEmpty()) << entry->objectName().toStdString();
    }
    EXPECT_TRUE(form->isVisible());
}

TEST_F(TerminalPaneTest, TheDeviceIdListFollowsTheWindow) {
    QComboBox* ids = pane().DeviceIDComboTerminal;
    ASSERT_EQ(ids->count(), 100);
    EXPECT_EQ(ids->itemText(0), "00");
    EXPECT_EQ(ids->itemText(99), "99");
    EXPECT_EQ(ids->currentText(), "05");
    rig.hub.bus(1)->addDevice(6);
    QComboBox* list = form->comm.SelectedDeviceID;
    list->setCurrentIndex(list->findText("06"));
    emit list->activated(list->currentIndex());
    QCoreApplication::processEvents();
    EXPECT_EQ(ids->currentText(), "06");
    rig.takeLines();
    enter("VER");
    EXPECT_EQ(rig.takeLines(), QStringList{"@06VER"});
}

TEST_F(TerminalPaneTest, ABroadcastAwaitsNoReply) {
    pane().DeviceIDComboTerminal->setCurrentText("00");
    EXPECT_LT(enter("VER"), 2);
    EXPECT_EQ(rig.takeLines(), QStringList{"@00VER"});
    EXPECT_EQ(reply(), "BROADCAST SENT!");
}

TEST_F(TerminalPaneTest, SpecialCommandsWaitBeforeTheReplyIsRead) {
    const struct {
        const char* line;
        qint64 ms;
    } cases[] = {{"VER", 0}, {"STORE", 200}, {"STORE1", 0}, {"SR=1", 1000}, {"ZSR", 1200}};
    for (const auto& t : cases) {
        const qint64 took = enter(t.line);
        EXPECT_GE(took, t.ms) << t.line;
        EXPECT_LT(took, t.ms + 2) << t.line;
        EXPECT_NE(reply(), "NO REPLY!") << t.line;
    }
}

TEST_F(TerminalPaneTest, SilenceReplacesAPartialReply) {
    device->faults.rawReplies = {"V3"};
    const qint64 took = enter("VER");
    EXPECT_EQ(reply(), "NO REPLY!");
    EXPECT_GE(took, 500);
    EXPECT_LT(took, 505);
    device->faults.noCR = true;  // a stream that never ends its line is cut off too
    device->faults.endless = true;
    EXPECT_LT(enter("VER"), 4000);
    EXPECT_EQ(reply(), "NO REPLY!");
    EXPECT_TRUE(values().ComStatus);
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
}

}  // namespace
