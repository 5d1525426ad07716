#include <QButtonGroup>
#include <utility>

#include "main_form_fixture.h"

namespace {

using CommandsTest = MainFormTest;

const QString kRefused = "%1: \"%2\" is not a whole number from -2147483648 to 2147483647.";

TEST_F(CommandsTest, ButtonsSendTheProfileThenTheirCommand) {
    ControlPanel& c = form->control;
    StatusPanel& s = form->status;
    const std::pair<QAbstractButton*, const char*> cases[] = {
        {c.JOGP, "J+"},          {c.JOGN, "J-"},          {c.HOMEP, "H+"},
        {c.HOMEN, "H-"},         {c.HOMELP, "HL+"},       {c.HOMELN, "HL-"},
        {c.LHOMEP, "L+"},        {c.LHOMEN, "L-"},        {c.ZHOMEPLUS, "ZH+"},
        {c.ZHOMEMINUS, "ZH-"},   {c.Command4, "Z+"},      {c.Command3, "Z-"},
        {c.RSTOP, "STOP"},       {c.ISTOP, "ABORT"},      {c.ABSMode, "ABS"},
        {c.INCMode, "INC"},      {s.ResetPos, "PX=0"},    {s.ResetEnc, "EX=0"},
        {c.Command11, "SCV=1"},  {c.Command12, "SCV=0"},  {c.abs, "X1000"},
        {c.Command5, "PX=1000"}, {c.Command6, "EX=1000"},
    };
    for (const auto& [button, command] : cases) {
        EXPECT_EQ(click(button), withProfile({command})) << command;
    }
    // The position entry goes out exactly as typed.
    const std::tuple<QAbstractButton*, const char*, const char*> typed[] = {
        {c.abs, " 25", "X 25"}, {c.abs, "", "X"}, {c.Command5, "-400", "PX=-400"}};
    for (const auto& [button, text, command] : typed) {
        c.SetPosition->setText(text);
        EXPECT_EQ(click(button), withProfile({command})) << command;
    }
    EXPECT_EQ(click(s.clear), framed("05", {"CLR"}));
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
}

TEST_F(CommandsTest, DatumLeavesTheMoveModeAsItFoundIt) {
    const QStringList move = QStringList{"@05MM"} + withProfile({"X0"});
    const std::pair<const char*, QStringList> cases[] = {
        {"0", move},
        {"1", QStringList{"@05MM", "@05ABS"} + withProfile({"X0"}) + QStringList{"@05INC"}},
        {" 1", move},  // only exactly "1" is incremental
        {"?", move},
    };
    for (const auto& [mode, lines] : cases) {
        device->faults.rawReplies = {QByteArray(mode) + "\r"};
        EXPECT_EQ(click(form->control.Datum), lines) << mode;
    }
    // A bad entry sends no move, but the device still gets its incremental mode back.
    form->control.SetSpeed->setText("fast");
    device->faults.rawReplies = {"1\r"};
    EXPECT_EQ(click(form->control.Datum), framed("05", {"MM", "ABS", "INC"}));
}

TEST_F(CommandsTest, ABadProfileEntryEndsTheClickAndIsSelected) {
    const std::pair<const char*, const char*> cases[] = {
        {"250.5", "ACC=250"}, {"251.5", "ACC=252"}, {" 1200 ", "ACC=1200"},
        {"abc", nullptr},     {"", nullptr},        {"2147483648", nullptr}};  // refused
    for (const auto& [text, sent] : cases) {
        form->control.Accel->setText(text);
        rig.prompter.clear();
        const QStringList lines = click(form->control.JOGP);
        if (sent) {
            EXPECT_EQ(lines, framed("05", {"HSPD=1000", "LSPD=300", sent, "DEC=300", "J+"}));
            EXPECT_TRUE(rig.prompter.shown.isEmpty()) << text;
            continue;
        }
        EXPECT_EQ(lines, framed("05", {"HSPD=1000", "LSPD=300"})) << text;
        EXPECT_EQ(rig.prompter.messages(), QStringList{kRefused.arg("Accel", text)});
        EXPECT_EQ(form->focusWidget(), form->control.Accel);
        EXPECT_EQ(form->control.Accel->selectedText(), text);
    }
}

// A stop goes out despite a bad entry, before the user is told; while the message is open no
// click and no polling tick reaches the device. Clicks made meanwhile (by a program, a screen
// reader) are carried out after the handler, in order; the tick is not.
TEST_F(CommandsTest, AStopGoesOutDespiteABadEntryAndNothingRunsWhileTheUserIsTold) {
    form->control.Decel->setText("x");
    QStringList sentBeforeMessage;
    QStringList sentWhileShown;
    bool clicked = false;
    rig.prompter.whileShowing = [&] {
        if (std::exchange(clicked, true)) {
            return;
        }
        sentBeforeMessage = rig.hub.lines();
        form->control.JOGN->click();
        form->control.Command11->click();
        form->Timer1_Timer();
        sentWhileShown = rig.hub.lines().mid(sentBeforeMessage.size());
    };
    for (const auto& [button, command] :
         {std::pair{form->control.RSTOP, "STOP"}, std::pair{form->control.ISTOP, "ABORT"}}) {
        const QStringList expected = framed("05", {"HSPD=1000", "LSPD=300", "ACC=300", command});
        clicked = false;
        rig.prompter.clear();
        EXPECT_EQ(click(button), expected + framed("05", {"HSPD=1000", "LSPD=300", "ACC=300",
                                                          "HSPD=1000", "LSPD=300", "ACC=300"}));
        EXPECT_EQ(sentBeforeMessage, expected);
        EXPECT_TRUE(sentWhileShown.isEmpty()) << command;
        EXPECT_FALSE(form->session().busy);
        // The stop's message, then one for each click's bad entry.
        EXPECT_EQ(rig.prompter.messages().size(), 3);
    }
}

TEST_F(CommandsTest, ClicksFollowTheReplies) {
    OnTheFlyPanel& p = form->onTheFly;
    // The button, the device's replies (none: it is silent), the lines sent, the messages shown.
    const std::tuple<QAbstractButton*, QList<QByteArray>, QStringList, QStringList> cases[] = {
        // A silent device lets a click finish (and clears the flag that stops the next).
        {form->control.JOGP, {}, {"HSPD=1000", "LSPD=300", "ACC=300", "DEC=300", "J+"}, {}},
        // On-the-fly changes report any answer but "OK".
        {p.Command10, {"OK\r"}, {"T1000"}, {}},
        {p.Command10, {"ok\r"}, {"T1000"}, {"Error Setting Speed! ok"}},
        {p.Command10, {}, {"T1000"}, {"Error Setting Speed! 0"}},
        {p.Command9, {"?\r", "OK\r"}, {"ACC=1000", "SSPD1000"}, {}},
        {p.Command9, {"OK\r", "E3\r"}, {"ACC=1000", "SSPD1000"}, {"Error Setting Speed! E3"}},
        {p.Command8, {"?\r"}, {"SSPDM=0"}, {}},
        // An output switches the other way from what the device says it is.
        {form->dio.DOSet[0], {"0\r"}, {"DO1", "DO1=1"}, {}},
        {form->dio.DOSet[1], {"1\r"}, {"DO2", "DO2=0"}, {}},
        {form->dio.DOSet[2], {" 0 \r"}, {"DO3", "DO3=1"}, {}},
        {form->dio.DOSet[0], {"?\r"}, {"DO1", "DO1=0"}, {}},
        {form->dio.DOSet[1], {"\r"}, {"DO2", "DO2=0"}, {}},
        {form->dio.DOSet[2], {}, {"DO3", "DO3=1"}, {}},
    };
    for (const auto& [button, replies, lines, messages] : cases) {
        onLine([](MainLine& m) { m.values.ComStatus = true; });
        device->faults.silent = replies.isEmpty();
        device->faults.rawReplies = replies;
        rig.prompter.clear();
        EXPECT_EQ(click(button), framed("05", lines)) << lines.join(' ').toStdString();
        EXPECT_EQ(rig.prompter.messages(), messages) << lines.join(' ').toStdString();
    }
}

TEST_F(CommandsTest, SyncEnableSendsComparisonPositionAndSwitchOnEveryClick) {
    SyncPanel& s = form->sync;
    s.SyncPos->setText(" 12.5 ");
    const std::pair<QRadioButton*, QStringList> cases[] = {{s.SyncEqual, {"SYNC=1"}},
                                                           {s.SyncLessThan, {"SYNC=2"}},
                                                           {s.SyncGreaterThan, {"SYNC=3"}},
                                                           {nullptr, {}}};
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
    EXPECT_EQ(rig.prompter.messages(), QStringList{kRefused.arg("Sync Pos", "12,5")});
}

TEST_F(CommandsTest, WithoutCommunicationNoButtonSendsAnything) {
    onLine([](MainLine& m) { m.values.ComStatus = false; });
    QList<QAbstractButton*> buttons = form->findChildren<QAbstractButton*>();
    // Not device commands, or with handlers of their own.
    for (QObject* own : std::initializer_list<QObject*>{
             form->ManualTerminal, form->Setup, form->Bus, form->Command2, form->control.EnableStat,
             form->latch.EnableLatch, form->Chart, form->chart->PauseChart,
             form->chart->RecordChart}) {
        buttons.removeAll(own);
    }
    ASSERT_GT(buttons.size(), 30);
    form->terminal.SendTerminalText->setText("VER");
    for (QAbstractButton* b : buttons) {
        EXPECT_TRUE(click(b).isEmpty()) << b->objectName().toStdString();
    }
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
}

// Every button says what it does and what it sends, in the order it goes out.
TEST_F(CommandsTest, EveryButtonSaysWhatItSends) {
    const ControlPanel& c = form->control;
    const std::pair<QAbstractButton*, const char*> cases[] = {
        {c.JOGP, "Jog +: speed profile, then J+"},
        {c.HOMELN, "Home - to the home switch, turning at a limit: speed profile, then HL-"},
        {c.Command4, "Home + to the next index mark: speed profile, then Z+"},
        {c.ISTOP, "Immediate stop: speed profile, then ABORT (Esc sends ABORT alone)"},
        {c.Datum,
         "Move to position 0, keeping the move mode: MM, ABS when in INC mode, speed profile, X0, "
         "then INC again when it was"},
        {c.abs, "Move to Position: speed profile, then X and Position"},
        {form->status.clear, "Clear the error state: CLR"},
        {form->onTheFly.Command9,
         "Change the speed of the move under way: ACC= and Accel, then SSPD and Speed"},
        {form->dio.DOSet[2], "Switch output DO3 over: DO3, then DO3=1 or DO3=0"},
        {form->sync.SyncEnable,
         "Sync output on or off: SYNC= with the comparison, SYNP= and Sync Pos, then SYNO or SYNF"},
        {form->Command2, "Close this window: sends nothing"},
    };
    for (const auto& [button, tip] : cases) {
        EXPECT_EQ(button->toolTip(), tip) << button->objectName().toStdString();
    }
    QSet<QString> tips;
    for (QAbstractButton* button : form->findChildren<QAbstractButton*>()) {
        EXPECT_FALSE(button->toolTip().isEmpty()) << button->objectName().toStdString();
        tips << button->toolTip();
    }
    EXPECT_EQ(tips.size(), form->findChildren<QAbstractButton*>().size()) << "each its own";
}

}  // namespace
