#include <QButtonGroup>

#include "main_form_fixture.h"
#include "main_window/entry_report.h"

namespace {

using OnTheFlyAndOutputTest = MainFormTest;

TEST_F(OnTheFlyAndOutputTest, OnTheFlyChangesReportAnythingButOk) {
    OnTheFlyPanel& p = form->onTheFly;
    const struct {
        QAbstractButton* button;
        QList<QByteArray> replies;  // empty: the device is silent
        QStringList lines;
        QStringList messages;
    } cases[] = {
        {p.Command10, {"OK\r"}, {"T1000"}, {}},
        {p.Command10, {"ok\r"}, {"T1000"}, {"Error Setting Speed! ok"}},
        {p.Command10, {}, {"T1000"}, {"Error Setting Speed! 0"}},
        {p.Command9, {"?\r", "OK\r"}, {"ACC=1000", "SSPD1000"}, {}},
        {p.Command9, {"OK\r", "E3\r"}, {"ACC=1000", "SSPD1000"}, {"Error Setting Speed! E3"}},
        {p.Command8, {"?\r"}, {"SSPDM=0"}, {}},
    };
    for (const auto& t : cases) {
        values().ComStatus = true;
        device->faults.silent = t.replies.isEmpty();
        device->faults.rawReplies = t.replies;
        rig.prompter.clear();
        EXPECT_EQ(click(t.button), framed("05", t.lines)) << t.lines[0].toStdString();
        EXPECT_EQ(rig.prompter.messages(), t.messages) << t.lines[0].toStdString();
    }
}

TEST_F(OnTheFlyAndOutputTest, AnOutputToggleSwitchesTheOtherWay) {
    const struct {
        int output;
        QList<QByteArray> replies;  // empty: the device is silent
        const char* set;
    } cases[] = {
        {1, {"0\r"}, "DO1=1"}, {2, {"1\r"}, "DO2=0"}, {3, {" 0 \r"}, "DO3=1"},
        {1, {"?\r"}, "DO1=0"}, {2, {"\r"}, "DO2=0"},  {3, {}, "DO3=1"},
    };
    for (const auto& t : cases) {
        values().ComStatus = true;
        device->faults.silent = t.replies.isEmpty();
        device->faults.rawReplies = t.replies;
        const QString query = QString("DO%1").arg(t.output);
        EXPECT_EQ(click(form->dio.DOSet[t.output - 1]), framed("05", {query, t.set})) << t.set;
    }
}

TEST_F(OnTheFlyAndOutputTest, SyncEnableSendsComparisonPositionAndSwitchOnEveryClick) {
    SyncPanel& s = form->sync;
    s.SyncPos->setText(" 12.5 ");
    const std::pair<QRadioButton*, QStringList> cases[] = {
        {s.SyncEqual, {"SYNC=1"}},
        {s.SyncLessThan, {"SYNC=2"}},
        {s.SyncGreaterThan, {"SYNC=3"}},
        {nullptr, {}},
    };
    auto* group = s.frame->findChild<QButtonGroup*>();
    for (const auto& [option, comparison] : cases) {
        group->setExclusive(option != nullptr);  // lets none be chosen
        for (QAbstractButton* b : group->buttons()) {
            b->setChecked(b == option);
        }
        EXPECT_EQ(click(s.SyncEnable), framed("05", comparison + QStringList{"SYNP=12", "SYNO"}));
        EXPECT_EQ(click(s.SyncEnable), framed("05", comparison + QStringList{"SYNP=12", "SYNF"}));
    }
    s.SyncEnable->setChecked(true);  // the program's change sends nothing
    EXPECT_TRUE(rig.takeLines().isEmpty());

    s.SyncEqual->setChecked(true);
    s.SyncPos->setText("12,5");
    EXPECT_EQ(click(s.SyncEnable), framed("05", {"SYNC=1"}));
    EXPECT_EQ(rig.prompter.messages(), QStringList{badEntryMessage("Sync Pos", "12,5")});
    EXPECT_EQ(form->focusWidget(), s.SyncPos);
    EXPECT_EQ(s.SyncPos->selectedText(), "12,5");
}

TEST_F(OnTheFlyAndOutputTest, WithoutCommunicationNoButtonSendsAnything) {
    values().ComStatus = false;
    QList<QAbstractButton*> buttons = form->findChildren<QAbstractButton*>();
    for (QAbstractButton* own :
         {static_cast<QAbstractButton*>(form->ManualTerminal),
          static_cast<QAbstractButton*>(form->Setup), static_cast<QAbstractButton*>(form->Command2),
          static_cast<QAbstractButton*>(form->control.EnableStat),
          static_cast<QAbstractButton*>(form->latch.EnableLatch)}) {
        buttons.removeAll(own);  // not device commands, or with handlers of their own
    }
    ASSERT_GT(buttons.size(), 30);
    form->terminal.SendTerminalText->setText("VER");
    for (QAbstractButton* b : buttons) {
        EXPECT_TRUE(click(b).isEmpty()) << b->objectName().toStdString();
    }
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
}

}  // namespace
