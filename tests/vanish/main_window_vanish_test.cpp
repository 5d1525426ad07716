#include "support/engine_settle.h"
#include "vanish/vanish_rig.h"

namespace {

// The adapter goes away before the port opens, or right after one of the start-up lines went
// out: start-up stops there, says so once and never starts polling.
TEST(StartUpVanish, EachStartUpLineCanBeTheLast) {
    const QStringList all = framed("05", {"ID", "VER", "SYNC", "SYNP", "SYNC", "DN", "VER"});
    for (qsizetype sent = 0; sent <= all.size(); ++sent) {
        SCOPED_TRACE(sent);
        VanishRig r;
        r.vanishAfterLast(all.mid(0, sent));
        r.start(true);
        EXPECT_EQ(r.rig.takeLines(), all.mid(0, sent));
        r.expectGivenUpThenReconnects(sent == 0 ? QStringList{kSelectAnotherPort}
                                                : QStringList{kIoError, kSelectAnotherPort});
    }
}

// The user picks another device ID and the adapter goes away during its identification: the
// pick ends at that line; the version label is not overwritten and nothing more is sent.
TEST(StartUpVanish, APickOfAnotherDeviceEndsAtTheFailedLine) {
    for (const QStringList& sent : {QStringList{"@07ID"}, QStringList{"@07ID", "@07VER"}}) {
        SCOPED_TRACE(sent.last().toStdString());
        VanishRig r;
        r.rig.hub.bus(1)->addDevice(7);
        r.start();
        r.vanishAfterLast(sent);
        r.pickDevice("07");
        EXPECT_EQ(r.rig.takeLines(), sent);
        EXPECT_EQ(r.form->session().values.ComAddress, "07");
        r.expectGivenUpThenReconnects({kIoError, kSelectAnotherPort});
    }
}

// The adapter goes away during a polling tick: the tick ends at the failed line, the user is
// told once, and later ticks neither write nor say anything (the timer has stopped).
TEST(PollingVanish, ATickEndsAtTheFailedLine) {
    const struct {
        const char* what;
        int step;
        QStringList sent;  // a tick that starts with "ID" re-identifies a device counted as lost
    } cases[] = {
        {"first query", 1, {"AR"}},
        {"counters", 1, {"AR", "EX", "PX"}},
        {"a group", 5, {"AR", "EX", "PX", "MST"}},
        // The motor is on and its box not yet ticked: ticking it asks "EO" once more.
        {"a check box echo", 8, {"AR", "EX", "PX", "SCV", "EO", "EO"}},
        {"last of the rotation", 8, {"AR", "EX", "PX", "SCV", "EO", "EO", "MM"}},
        {"re-identification", 1, {"ID"}},
        {"version after re-identification", 1, {"ID", "VER"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VanishRig r;
        r.start();
        const bool communicating = c.sent.first() != "ID";
        r.form->session().run([communicating](MainLine& m) { m.values.ComStatus = communicating; });
        settleEngines();
        r.vanishAfterLast(framed("05", c.sent));
        r.tickAt(c.step);
        EXPECT_EQ(r.rig.takeLines(), framed("05", c.sent));
        r.expectGivenUpThenReconnects({kIoError, kSelectAnotherPort});
    }
}

// The adapter goes away in the middle of a click, after JOG+ has sent its low speed: the click
// ends there, and the user is told once.
TEST(ClickVanish, AJogEndsAtTheFailedLine) {
    VanishRig r;
    r.start();
    r.rig.hub.vanishAfter(1, "@05LSPD=300");
    r.form->control.JOGP->click();
    EXPECT_EQ(r.rig.takeLines(), QStringList({"@05HSPD=1000", "@05LSPD=300"}));
    r.expectGivenUpThenReconnects({kIoError, kSelectAnotherPort});
}

}  // namespace
