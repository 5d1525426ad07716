#include "link/messages.h"
#include "main_form_fixture.h"
#include "main_window/entry_report.h"

namespace {

using MotionCommandsTest = MainFormTest;

TEST_F(MotionCommandsTest, ButtonsSendTheProfileThenTheirCommand) {
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
    for (const auto& [text, command] : {std::pair{" 25", "X 25"}, std::pair{"", "X"}}) {
        c.SetPosition->setText(text);
        EXPECT_EQ(click(c.abs), withProfile({command})) << command;
    }
    c.SetPosition->setText("-400");
    EXPECT_EQ(click(c.Command5), withProfile({"PX=-400"}));
    EXPECT_EQ(click(s.clear), framed("05", {"CLR"}));
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
}

TEST_F(MotionCommandsTest, DatumLeavesTheMoveModeAsItFoundIt) {
    const QStringList move = QStringList{"@05MM"} + withProfile({"X0"});
    const struct {
        const char* mode;
        QStringList lines;
    } cases[] = {
        {"0", move},
        {"1", QStringList{"@05MM", "@05ABS"} + withProfile({"X0"}) + QStringList{"@05INC"}},
        {" 1", move},  // only exactly "1" is incremental
        {"?", move},
    };
    for (const auto& t : cases) {
        device->faults.rawReplies = {QByteArray(t.mode) + "\r"};
        EXPECT_EQ(click(form->control.Datum), t.lines) << t.mode;
    }
    // A bad entry sends no move, but the device still gets its incremental mode back.
    form->control.SetSpeed->setText("fast");
    device->faults.rawReplies = {"1\r"};
    EXPECT_EQ(click(form->control.Datum), framed("05", {"MM", "ABS", "INC"}));
}

TEST_F(MotionCommandsTest, ABadProfileEntryEndsTheClickAndIsSelected) {
    const struct {
        const char* text;
        const char* sent;  // nullptr: the entry is refused
    } cases[] = {{"250.5", "ACC=250"}, {"251.5", "ACC=252"}, {" 1200 ", "ACC=1200"},
                 {"abc", nullptr},     {"", nullptr},        {"2147483648", nullptr}};
    for (const auto& t : cases) {
        form->control.Accel->setText(t.text);
        rig.prompter.clear();
        const QStringList lines = click(form->control.JOGP);
        if (t.sent) {
            EXPECT_EQ(lines, framed("05", {"HSPD=1000", "LSPD=300", t.sent, "DEC=300", "J+"}));
            EXPECT_TRUE(rig.prompter.shown.isEmpty()) << t.text;
            continue;
        }
        EXPECT_EQ(lines, framed("05", {"HSPD=1000", "LSPD=300"})) << t.text;
        EXPECT_EQ(rig.prompter.messages(), QStringList{badEntryMessage("Accel", t.text)});
        EXPECT_EQ(form->focusWidget(), form->control.Accel);
        EXPECT_EQ(form->control.Accel->selectedText(), t.text);
    }
    EXPECT_EQ(badEntryMessage("LSPD", "%1"),
              "LSPD: \"%1\" is not a whole number from -2147483648 to 2147483647.");
}

TEST_F(MotionCommandsTest, AStopGoesOutDespiteABadEntryBeforeTheUserIsTold) {
    form->control.Decel->setText("x");
    QStringList sentBeforeMessage;
    rig.prompter.whileShowing = [&] { sentBeforeMessage = rig.hub.lines(); };
    for (const auto& [button, command] :
         {std::pair{form->control.RSTOP, "STOP"}, std::pair{form->control.ISTOP, "ABORT"}}) {
        const QStringList expected = framed("05", {"HSPD=1000", "LSPD=300", "ACC=300", command});
        EXPECT_EQ(click(button), expected);
        EXPECT_EQ(sentBeforeMessage, expected);
    }
    EXPECT_EQ(rig.prompter.messages().size(), 2);
}

TEST_F(MotionCommandsTest, SilenceGoesOnWithTheClickAPortFailureEndsIt) {
    device->faults.silent = true;
    EXPECT_EQ(click(form->control.JOGP), withProfile({"J+"}));
    EXPECT_FALSE(values().ComStatus);
    EXPECT_TRUE(click(form->control.JOGN).isEmpty());
    EXPECT_TRUE(rig.prompter.shown.isEmpty());

    values().ComStatus = true;
    rig.hub.vanish(1);
    click(form->control.Datum);
    EXPECT_EQ(
        rig.prompter.messages(),
        QStringList({QString(kCommunicationError) + "Input/output error", kPortNotAvailable}));
    EXPECT_EQ(form->comm.ComStatusDisplay->text(), "Invalid Port");
}

TEST_F(MotionCommandsTest, NothingElseRunsWhileAMessageIsOpen) {
    form->control.SetSpeed->setText("?");
    bool busyWhileShown = false;
    QStringList sentWhileShown;
    rig.prompter.whileShowing = [&] {
        busyWhileShown = form->session().busy;
        rig.takeLines();
        form->control.JOGN->click();
        form->onTheFly.Command10->click();
        sentWhileShown = rig.takeLines();
    };
    click(form->control.JOGP);
    EXPECT_TRUE(busyWhileShown);
    EXPECT_TRUE(sentWhileShown.isEmpty());
    EXPECT_FALSE(form->session().busy);
}

}  // namespace
