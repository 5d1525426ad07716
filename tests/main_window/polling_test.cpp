#include "main_window/main_form_fixture.h"

namespace {

class PollingTest : public MainFormTest {
  protected:
    // The commands sent by one tick, without their frame.
    QStringList tick() {
        tickOnce();
        QStringList commands = rig.takeLines();
        for (QString& c : commands) {
            c.remove(0, 3);
        }
        return commands;
    }
    QStringList tickAt(int step, const QStringList& replies) {
        setPollStep(step);
        answer(replies);
        return tick();
    }
    // The next replies, in the order the device is asked.
    void answer(const QStringList& replies) {
        device->faults.rawReplies.clear();
        for (const QString& r : replies) {
            device->faults.rawReplies << r.toLatin1() + "\r";
        }
    }
};

// The texts of the given displays; the lamps as "1" for on and "." for off.
QStringList texts(std::initializer_list<QLineEdit*> displays) {
    QStringList shown;
    for (QLineEdit* d : displays) {
        shown << d->text();
    }
    return shown;
}
template <typename Lamps = std::initializer_list<Lamp*>>
QString lit(const Lamps& lamps) {
    QString shown;
    for (Lamp* lamp : lamps) {
        shown += lamp->isOn() ? '1' : '.';
    }
    return shown;
}

const QStringList kCounters = {"AR", "EX", "PX"};
const QStringList kGroups[] = {
    {},           {"DX", "PS"}, {"LTP", "LTE"},     {"LTS", "SYNS", "CUR"}, {"MST", "SLS"},
    {"DI", "DO"}, {},           {"SCV", "EO", "MM"}};

TEST_F(PollingTest, NothingIsSentWhilePausedOrWithoutPortOrWhileBusy) {
    MainSession& s = form->session();
    for (bool* flag : {&s.PausePolling, &s.busy, &s.values.ComPortStatus}) {
        *flag = !*flag;  // the state of each that holds polling back
        EXPECT_TRUE(tick().isEmpty());
        EXPECT_EQ(s.PollStep, 1);
        *flag = !*flag;
    }
}

TEST_F(PollingTest, EachGroupWritesItsDisplays) {
    StatusPanel& s = form->status;
    LatchPanel& l = form->latch;
    tickAt(1, {"0", "-12", "345"});
    EXPECT_EQ(texts({s.Enc, s.Pos}), QStringList({"-12", "345"}));
    tickAt(2, {"0", "0", "0", " 7", "1500"});
    EXPECT_EQ(texts({s.delta, s.Speed}), QStringList({" 7", "1500"}));  // shown as they come
    tickAt(3, {"0", "0", "0", "100", "98"});
    EXPECT_EQ(texts({l.LatchPos, l.LatchEnc}), QStringList({"100", "98"}));
    tickAt(4, {"0", "0", "0", "3", "1", " 0150.4"});
    EXPECT_EQ(texts({l.LatchStat, form->sync.SyncStat, s.CurCurrent}),
              QStringList({"3", "WAITING", "150"}));
    tickAt(5, {"0", "0", "0", "811", "12"});  // bits 0, 1, 3, 5, 8, 9
    EXPECT_EQ(texts({s.Stat, s.PosGuardStatus}), QStringList({"ACCEL", "NA"}));
    EXPECT_EQ(lit({s.PosLim, s.Home, s.NegLim, s.ZIndex, l.LatchIn}), "11.11");
    tickAt(5, {"0", "0", "0", "0", "13"});
    EXPECT_EQ(s.PosGuardStatus->text(), "NA");  // an unknown state leaves the text
    tickAt(6, {"0", "0", "0", "33", "6"});
    EXPECT_EQ(lit(form->dio.In) + lit(form->dio.DO), "1....1.11");
    tickAt(8, {"0", "0", "0", "1", "0", "1"});
    EXPECT_EQ(lit({s.Scv}) + s.MoveMode->text(), "1INC");
}

// How often a "$" line is asked again is the cycle's; the window never shows one.
TEST_F(PollingTest, DollarRepliesAreNeverShown) {
    EXPECT_EQ(tickAt(1, {"0", "$DONE", "123", "456"}), QStringList({"AR", "EX", "EX", "PX"}));
    EXPECT_EQ(texts({form->status.Enc, form->status.Pos}), QStringList({"123", "456"}));
    tickAt(1, (QStringList{"0"} + QStringList(21, "$DONE")) << "789");
    EXPECT_EQ(texts({form->status.Enc, form->status.Pos}), QStringList({"123", "789"}));
}

TEST_F(PollingTest, AutoResponseModeOnlyForAnExactOne) {
    const std::pair<const char*, bool> cases[] = {
        {"1", true}, {"01", false}, {" 1", false}, {"1 ", false}, {"0", false}};
    for (const auto& [ar, on] : cases) {
        // In auto-response mode "$P77" carries the value 77; otherwise it is asked again.
        const QStringList lines = tickAt(1, {ar, "$P77", "5", "6"});
        EXPECT_EQ(form->session().ARMode, on) << ar;
        EXPECT_EQ(form->status.Enc->text(), on ? "77" : "5") << ar;
        EXPECT_EQ(lines.size(), on ? 3 : 4) << ar;
    }
}

TEST_F(PollingTest, ASwitchedOffDeviceIsReidentifiedAndPollingResumes) {
    StatusPanel& s = form->status;
    tickAt(5, {"0", "777", "888", "5", "1"});
    setPollStep(5);
    device->faults.silent = true;
    EXPECT_EQ(tick(), kCounters + kGroups[4]);
    EXPECT_EQ(texts({s.Enc, s.Pos, s.Stat, s.PosGuardStatus}),
              QStringList({"0", "0", "IDLE", "IDLE"}));
    EXPECT_EQ(shownComm().mid(0, 2), QStringList({"No Communication", kRed}));
    EXPECT_EQ(form->session().PollStep, 6);

    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tick(), QStringList{"ID"});
        EXPECT_EQ(shownComm().mid(0, 3), QStringList({"No Communication", kRed, "???"}));
    }
    device->faults.silent = false;
    EXPECT_EQ(tick(), QStringList({"ID", "VER", "VER"}));
    EXPECT_EQ(shownComm(), QStringList({"Communication OK", kGreen, "Stepvane-CAN", "V340", "05"}));
    answer(QStringList(5, "0"));
    EXPECT_EQ(tick(), kCounters + kGroups[5]);
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
}

TEST_F(PollingTest, AReplyThatIsNoNumberEndsTheTickAfterWhatCameBefore) {
    EXPECT_EQ(tickAt(5, {"0", "0", "0", "?"}), kCounters + QStringList{"MST"});
    EXPECT_EQ(form->session().PollStep, 6);
    tickAt(5, {"0", "0", "0", "4", "12"});
    tickAt(5, {"0", "0", "0", "2", "ERR"});
    // The motion status was written before the bad reply.
    EXPECT_EQ(texts({form->status.Stat, form->status.PosGuardStatus}),
              QStringList({"ACCEL", "NA"}));
}

TEST_F(PollingTest, FollowingTheDeviceEchoesHarmlessly) {
    const QStringList step8 = {"AR", "EX", "PX", "SCV", "EO", "EO", "MM"};
    EXPECT_EQ(tickAt(8, {"0", "0", "0", "0", "1", "1", "0"}), step8);
    EXPECT_TRUE(form->control.EnableStat->isChecked());
    EXPECT_EQ(tickAt(8, QStringList(7, "0")), step8);
    EXPECT_FALSE(form->control.EnableStat->isChecked());

    // The latch state, the box's echo that follows, and the box after the tick.
    const std::tuple<const char*, QStringList, bool> latchCases[] = {
        {"1", {"LT=1"}, true},  {"2", {}, true},  {"3", {}, true},
        {"0", {"LT=0"}, false}, {"0", {}, false},
    };
    for (const auto& [lts, echo, ticked] : latchCases) {
        const QStringList replies = QStringList{"0", "0", "0", lts} +
                                    QStringList(echo.size(), "OK") + QStringList{"0", "0"};
        const QStringList sent = kCounters + QStringList{"LTS"} + echo + QStringList{"SYNS", "CUR"};
        EXPECT_EQ(tickAt(4, replies), sent) << lts;
        EXPECT_EQ(form->latch.EnableLatch->isChecked(), ticked) << lts;
    }
}

TEST_F(PollingTest, UserClicksOnTheEnableBoxes) {
    QCheckBox* motor = form->control.EnableStat;
    // The box before the click (the click turns it over), the device's replies, the lines sent.
    const std::tuple<bool, QStringList, QStringList> cases[] = {
        {false, {"1"}, {"EO"}}, {false, {"0", "OK"}, {"EO", "EO=1"}},
        {false, {"?"}, {"EO"}}, {true, {"1", "OK"}, {"EO", "EO=0"}},
        {true, {"0"}, {"EO"}},  {true, {"?"}, {"EO"}},
    };
    for (const auto& [from, replies, sent] : cases) {
        {
            const QSignalBlocker quiet(motor);
            motor->setChecked(from);
        }
        answer(replies);
        EXPECT_EQ(click(motor), framed("05", sent)) << replies.join(',').toStdString();
    }
    form->latch.EnableLatch->click();
    EXPECT_EQ(click(form->latch.EnableLatch), framed("05", {"LT=1", "LT=0"}));

    onLine([](MainLine& m) { m.values.ComStatus = false; });
    motor->click();
    EXPECT_TRUE(click(form->latch.EnableLatch).isEmpty());
}

}  // namespace
