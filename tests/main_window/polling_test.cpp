#include <gtest/gtest.h>

#include "main_window/main_control_form.h"
#include "support/sim_rig.h"
#include "widgets/status_colors.h"

namespace {

// The window's port, with a hook that sees every frame before it goes out.
class ProbePort : public SimPort {
  public:
    ProbePort(SimHub& hub, std::function<void(const QByteArray&)>& onWrite)
        : SimPort(hub), onWrite_(onWrite) {}
    void write(const QByteArray& data) override {
        if (onWrite_) {
            onWrite_(data);
        }
        SimPort::write(data);
    }

  private:
    std::function<void(const QByteArray&)>& onWrite_;
};

QStringList repeated(const QString& text, int n) {
    QStringList list;
    for (int i = 0; i < n; ++i) {
        list << text;
    }
    return list;
}

class PollingTest : public ::testing::Test {
  protected:
    PollingTest() : device(&rig.addDevice(1, 5)) { start(); }

    void start() {
        form.reset();
        form = std::make_unique<MainControlForm>(
            WindowServices{[this] { return std::make_unique<ProbePort>(rig.hub, onWrite); },
                           &rig.prompter, &rig.modal});
        form->session().values.ComAddress = "05";
        form->load();
        form->Timer1->stop();  // the tests drive the ticks
        rig.takeLines();
        rig.prompter.clear();
    }

    // The commands sent by one tick, without their frame.
    QStringList tick() {
        form->Timer1_Timer();
        QStringList commands = rig.takeLines();
        for (QString& c : commands) {
            c.remove(0, 3);
        }
        return commands;
    }
    QStringList tickAt(int step, const QStringList& replies) {
        form->session().PollStep = step;
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

    SimRig rig;
    SimDevice* device;
    std::function<void(const QByteArray&)> onWrite;
    std::unique_ptr<MainControlForm> form;
};

const QStringList kCounters = {"AR", "EX", "PX"};
const QStringList kGroups[] = {
    {},           {"DX", "PS"}, {"LTP", "LTE"},     {"LTS", "SYNS", "CUR"}, {"MST", "SLS"},
    {"DI", "DO"}, {},           {"SCV", "EO", "MM"}};

TEST_F(PollingTest, PollStepRotatesThroughTheEightGroups) {
    for (int i = 0; i < 16; ++i) {
        const int step = i % 8 + 1;
        ASSERT_EQ(form->session().PollStep, step);
        const QStringList expected = kCounters + kGroups[step - 1];
        answer(repeated("0", expected.size()));
        EXPECT_EQ(tick(), expected) << "step " << step;
    }
}

TEST_F(PollingTest, EachGroupWritesItsDisplays) {
    MainControlForm& w = *form;
    tickAt(1, {"0", "-12", "345"});
    EXPECT_EQ(w.status.Enc->text(), "-12");
    EXPECT_EQ(w.status.Pos->text(), "345");
    tickAt(2, {"0", "0", "0", " 7", "1500"});
    EXPECT_EQ(w.status.delta->text(), " 7");  // plain values are shown as they come
    EXPECT_EQ(w.status.Speed->text(), "1500");
    tickAt(3, {"0", "0", "0", "100", "98"});
    EXPECT_EQ(w.latch.LatchPos->text(), "100");
    EXPECT_EQ(w.latch.LatchEnc->text(), "98");
    tickAt(4, {"0", "0", "0", "3", "1", " 0150.4"});
    EXPECT_EQ(w.latch.LatchStat->text(), "3");
    EXPECT_EQ(w.sync.SyncStat->text(), "WAITING");
    EXPECT_EQ(w.status.CurCurrent->text(), "150");
    tickAt(5, {"0", "0", "0", "811", "12"});  // bits 0, 1, 3, 5, 8, 9
    EXPECT_EQ(w.status.Stat->text(), "ACCEL");
    EXPECT_TRUE(w.status.PosLim->isOn() && w.status.Home->isOn() && w.status.ZIndex->isOn());
    EXPECT_FALSE(w.status.NegLim->isOn());
    EXPECT_TRUE(w.latch.LatchIn->isOn());
    EXPECT_EQ(w.status.PosGuardStatus->text(), "NA");
    tickAt(5, {"0", "0", "0", "0", "13"});
    EXPECT_EQ(w.status.PosGuardStatus->text(), "NA");  // an unknown state leaves the text
    tickAt(6, {"0", "0", "0", "33", "6"});
    QList<bool> lamps;
    for (Lamp* lamp : w.dio.In) {
        lamps << lamp->isOn();
    }
    for (Lamp* lamp : w.dio.DO) {
        lamps << lamp->isOn();
    }
    EXPECT_EQ(lamps, QList<bool>({true, false, false, false, false, true, false, true, true}));
    tickAt(8, {"0", "0", "0", "1", "0", "1"});
    EXPECT_TRUE(w.status.Scv->isOn());
    EXPECT_EQ(w.status.MoveMode->text(), "INC");
}

TEST_F(PollingTest, DollarRepliesAreAskedAgainWithinABound) {
    EXPECT_EQ(tickAt(1, {"0", "$DONE", "123", "456"}), QStringList({"AR", "EX", "EX", "PX"}));
    EXPECT_EQ(form->status.Enc->text(), "123");
    EXPECT_EQ(form->status.Pos->text(), "456");

    const int sends = StatusPoller::kDollarRepeats + 1;
    const QStringList lines =
        tickAt(1, QStringList{"0"} + repeated("$DONE", sends) + QStringList{"789"});
    EXPECT_EQ(lines, QStringList{"AR"} + repeated("EX", sends) + QStringList{"PX"});
    EXPECT_EQ(form->status.Enc->text(), "123");  // never a "$" line, and the tick goes on
    EXPECT_EQ(form->status.Pos->text(), "789");
}

TEST_F(PollingTest, AutoResponseModeOnlyForAnExactOne) {
    const struct {
        const char* ar;
        bool on;
    } cases[] = {{"1", true}, {"01", false}, {" 1", false}, {"1 ", false}, {"0", false}};
    for (const auto& c : cases) {
        // In auto-response mode "$P77" carries the value 77; otherwise it is asked again.
        const QStringList lines = tickAt(1, {c.ar, "$P77", "5", "6"});
        EXPECT_EQ(form->session().ARMode(), c.on) << c.ar;
        EXPECT_EQ(form->status.Enc->text(), c.on ? "77" : "5") << c.ar;
        EXPECT_EQ(lines.size(), c.on ? 3 : 4) << c.ar;
    }
}

TEST_F(PollingTest, ASwitchedOffDeviceIsReidentifiedAndPollingResumes) {
    MainControlForm& w = *form;
    tickAt(5, {"0", "777", "888", "5", "1"});
    form->session().PollStep = 5;
    device->faults.silent = true;
    EXPECT_EQ(tick(), kCounters + kGroups[4]);
    for (QLineEdit* display : {w.status.Enc, w.status.Pos}) {
        EXPECT_EQ(display->text(), "0");
    }
    EXPECT_EQ(w.status.Stat->text(), "IDLE");
    EXPECT_EQ(w.status.PosGuardStatus->text(), "IDLE");
    EXPECT_EQ(w.comm.ComStatusDisplay->text(), "No Communication");
    EXPECT_EQ(w.comm.ComStatusDisplay->palette().color(QPalette::Base), StatusColors::kRed);
    EXPECT_EQ(w.session().PollStep, 6);

    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(tick(), QStringList{"ID"});
        EXPECT_EQ(w.comm.ComStatusDisplay->text(), "No Communication");
        EXPECT_EQ(w.comm.ID->text(), "???");
    }
    device->faults.silent = false;
    EXPECT_EQ(tick(), QStringList({"ID", "VER", "VER"}));
    EXPECT_EQ(w.comm.ComStatusDisplay->text(), "Communication OK");
    EXPECT_EQ(w.comm.ComStatusDisplay->palette().color(QPalette::Base), StatusColors::kGreen);
    EXPECT_EQ(w.comm.ID->text(), "Stepvane-CAN");
    EXPECT_EQ(w.comm.Version->text(), "V340");
    answer(repeated("0", 5));
    EXPECT_EQ(tick(), kCounters + kGroups[5]);
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
}

TEST_F(PollingTest, NothingIsSentWhilePausedOrWithoutPortOrWhileBusy) {
    const std::function<void(MainSession&, bool)> conditions[] = {
        [](MainSession& s, bool on) { s.PausePolling = on; },
        [](MainSession& s, bool on) { s.values.ComPortStatus = !on; },
        [](MainSession& s, bool on) { s.busy = on; },
    };
    for (bool comStatus : {true, false}) {
        for (const auto& set : conditions) {
            form->session().values.ComStatus = comStatus;
            set(form->session(), true);
            EXPECT_TRUE(tick().isEmpty());
            EXPECT_TRUE(tick().isEmpty());
            EXPECT_EQ(form->session().PollStep, 1);
            set(form->session(), false);
        }
    }
}

TEST_F(PollingTest, AReplyThatIsNoNumberEndsTheTickButNotTheRotation) {
    for (const int step : {4, 5, 6, 8}) {
        const QStringList group = kGroups[step - 1];
        for (int bad = 0; bad < group.size(); ++bad) {
            const QStringList replies =
                QStringList{"0", "0", "0"} + repeated("0", bad) + QStringList{bad % 2 ? "" : "?"};
            EXPECT_EQ(tickAt(step, replies), kCounters + group.mid(0, bad + 1)) << step << bad;
            EXPECT_EQ(form->session().PollStep, step % 8 + 1) << step << bad;
        }
    }
    tickAt(5, {"0", "0", "0", "4", "12"});
    tickAt(5, {"0", "0", "0", "2", "ERR"});
    EXPECT_EQ(form->status.Stat->text(), "ACCEL");  // written before the bad reply
    EXPECT_EQ(form->status.PosGuardStatus->text(), "NA");
}

TEST_F(PollingTest, FollowingTheDeviceEchoesHarmlessly) {
    QCheckBox* motor = form->control.EnableStat;
    QCheckBox* latch = form->latch.EnableLatch;
    EXPECT_EQ(tickAt(8, {"0", "0", "0", "0", "1", "1", "0"}),
              QStringList({"AR", "EX", "PX", "SCV", "EO", "EO", "MM"}));
    EXPECT_TRUE(motor->isChecked());
    EXPECT_EQ(tickAt(8, {"0", "0", "0", "0", "0", "0", "0"}),
              QStringList({"AR", "EX", "PX", "SCV", "EO", "EO", "MM"}));
    EXPECT_FALSE(motor->isChecked());

    const struct {
        const char* lts;
        QStringList echo;
        bool ticked;
    } latchCases[] = {
        {"1", {"LT=1"}, true},  {"2", {}, true},  {"3", {}, true},
        {"0", {"LT=0"}, false}, {"0", {}, false},
    };
    for (const auto& c : latchCases) {
        const QStringList replies = QStringList({"0", "0", "0", c.lts}) +
                                    repeated("OK", c.echo.size()) + QStringList({"0", "0"});
        const QStringList sent =
            QStringList({"AR", "EX", "PX", "LTS"}) + c.echo + QStringList({"SYNS", "CUR"});
        EXPECT_EQ(tickAt(4, replies), sent) << c.lts;
        EXPECT_EQ(latch->isChecked(), c.ticked) << c.lts;
    }
}

TEST_F(PollingTest, UserClicksOnTheEnableBoxes) {
    QCheckBox* motor = form->control.EnableStat;
    const struct {
        bool from;
        QStringList replies;
        QStringList sent;
    } cases[] = {
        {false, {"1"}, {"EO"}}, {false, {"0", "OK"}, {"EO", "EO=1"}},
        {false, {"?"}, {"EO"}}, {true, {"1", "OK"}, {"EO", "EO=0"}},
        {true, {"0"}, {"EO"}},  {true, {"?"}, {"EO"}},
    };
    for (const auto& c : cases) {
        {
            const QSignalBlocker quiet(motor);
            motor->setChecked(c.from);
        }
        answer(c.replies);
        motor->click();
        EXPECT_EQ(rig.takeLines(), framed("05", c.sent)) << c.replies.join(',').toStdString();
    }
    form->latch.EnableLatch->click();
    form->latch.EnableLatch->click();
    EXPECT_EQ(rig.takeLines(), framed("05", {"LT=1", "LT=0"}));

    form->session().values.ComStatus = false;
    motor->click();
    form->latch.EnableLatch->click();
    EXPECT_TRUE(rig.takeLines().isEmpty());
}

TEST_F(PollingTest, ATickDuringAHandlerDoesNothing) {
    bool busy = false;
    onWrite = [&](const QByteArray&) {
        busy = form->session().busy;
        form->Timer1_Timer();  // as a timer would fire in a nested event loop
    };
    form->latch.EnableLatch->click();
    EXPECT_TRUE(busy);
    EXPECT_EQ(rig.takeLines(), framed("05", {"LT=1"}));
}

}  // namespace
