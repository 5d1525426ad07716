#include <QTest>

#include "vanish/vanish_rig.h"

namespace {

// The adapter goes away during a polling tick: the tick ends at the failed line, the user is
// told once, and later ticks neither write nor say anything (the timer has stopped).
TEST(PollingVanish, ATickEndsAtTheFailedLine) {
    const struct {
        const char* what;
        int step;
        bool deviceLost;  // ComStatus false: the tick re-identifies
        const char* after;
        int nth;
        QStringList sent;
    } cases[] = {
        {"first query", 1, false, "AR", 1, {"AR"}},
        {"counters", 1, false, "PX", 1, {"AR", "EX", "PX"}},
        {"a group", 5, false, "MST", 1, {"AR", "EX", "PX", "MST"}},
        // The motor is on and its box not yet ticked: ticking it asks "EO" once more.
        {"a check box echo", 8, false, "EO", 2, {"AR", "EX", "PX", "SCV", "EO", "EO"}},
        {"last of the rotation", 8, false, "MM", 1, {"AR", "EX", "PX", "SCV", "EO", "EO", "MM"}},
        {"re-identification", 1, true, "ID", 1, {"ID"}},
        {"version after re-identification", 1, true, "VER", 1, {"ID", "VER"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VanishRig r;
        r.start();
        r.form->session().values.ComStatus = !c.deviceLost;
        r.rig.takeLines();
        r.rig.hub.vanishAfter(1, QByteArray("@05") + c.after, c.nth);
        r.tickAt(c.step);
        EXPECT_EQ(r.rig.takeLines(), framed("05", c.sent));
        r.expectPortGivenUp({kIoError, kPortNotAvailable});
        r.expectSilentClosedAndReconnectable();
    }
}

// The same with the timer itself running the ticks, as in the program.
TEST(PollingVanish, TheTimerStopsWithTheFailure) {
    VanishRig r;
    r.start();
    ASSERT_TRUE(r.form->Timer1->isActive());
    r.rig.hub.vanishAfter(1, "@05PX", 3);
    for (int i = 0; i < 200 && r.form->Timer1->isActive(); ++i) {
        QTest::qWait(2);
    }
    EXPECT_EQ(r.rig.hub.lines().last(), "@05PX");
    r.expectPortGivenUp({kIoError, kPortNotAvailable});
    r.expectSilentClosedAndReconnectable();
}

}  // namespace
