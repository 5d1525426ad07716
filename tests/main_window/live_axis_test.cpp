// The main window against the simulated axis: what a user sees while jogging, moving and with
// the device's auto-response switched on.
#include "main_window/main_form_fixture.h"

namespace {

class LiveAxisTest : public MainFormTest {
  protected:
    // Runs polling ticks until the virtual clock has moved on by ms.
    void pollFor(int ms) {
        const qint64 until = rig.hub.nowMs() + ms;
        for (int i = 0; i < 100000 && rig.hub.nowMs() < until; ++i) {
            form->Timer1_Timer();
            if (rig.takeLines().isEmpty()) {
                rig.hub.advanceUs(1000);  // an idle tick costs no line time
            }
        }
    }
    // Polls a whole rotation and collects the motion status texts seen.
    QStringList statusesFor(int ms) {
        QStringList seen;
        const qint64 until = rig.hub.nowMs() + ms;
        while (rig.hub.nowMs() < until) {
            pollFor(20);
            const QString s = form->status.Stat->text();
            if (seen.isEmpty() || seen.last() != s) {
                seen << s;
            }
        }
        return seen;
    }
};

TEST_F(LiveAxisTest, AJogShowsItsPhasesAndAMovingPosition) {
    form->control.SetSpeed->setText("2000");
    form->control.Accel->setText("4000");
    form->control.Decel->setText("4000");
    form->control.JOGP->click();
    QStringList seen = statusesFor(1500);
    const int before = form->status.Pos->text().toInt();
    pollFor(200);
    EXPECT_GT(form->status.Pos->text().toInt(), before);
    form->control.RSTOP->click();
    seen += statusesFor(1500);
    seen.removeDuplicates();
    EXPECT_EQ(seen.mid(seen.indexOf("ACCEL")), QStringList({"ACCEL", "CONST", "DECEL", "IDLE"}));
    EXPECT_EQ(form->comm.ComStatusDisplay->text(), "Communication OK");
}

TEST_F(LiveAxisTest, AutoResponseLinesDoNotPutRepliesOutOfStep) {
    device->values["AR"] = "1";
    form->control.SetPosition->setText("500");
    form->control.abs->click();  // a move to 500 that ends between two exchanges
    pollFor(4000);
    ASSERT_TRUE(form->session().ARMode());
    EXPECT_EQ(form->status.Pos->text(), "500");
    EXPECT_EQ(form->status.Enc->text(), "500");
    // Every reply after the unsolicited line still answers its own query.
    for (int i = 0; i < 16; ++i) {
        pollFor(5);
        EXPECT_EQ(form->status.Pos->text(), "500");
        EXPECT_EQ(form->status.Enc->text(), "500");
        EXPECT_EQ(form->status.MoveMode->text(), "ABS");
    }
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
}

}  // namespace
