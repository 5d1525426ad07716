#include "vanish/vanish_rig.h"

namespace {

const QStringList kStartUp = {"ID", "VER", "SYNC", "SYNP", "SYNC", "DN", "VER"};

// The adapter goes away right after one of the start-up lines went out: start-up stops there,
// says so once and never starts polling.
TEST(StartUpVanish, EachStartUpLineCanBeTheLast) {
    const struct {
        const char* after;
        int nth;
        int sent;
    } cases[] = {
        {"ID", 1, 1},   {"VER", 1, 2}, {"SYNC", 1, 3}, {"SYNP", 1, 4},
        {"SYNC", 2, 5}, {"DN", 1, 6},  {"VER", 2, 7},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(QString("%1 #%2").arg(c.after).arg(c.nth).toStdString());
        VanishRig r;
        r.rig.hub.vanishAfter(1, QByteArray("@05") + c.after, c.nth);
        r.start();
        EXPECT_EQ(r.rig.takeLines(), framed("05", kStartUp.mid(0, c.sent)));
        r.expectPortGivenUp({kIoError, kPortNotAvailable});
        r.expectSilentClosedAndReconnectable();
    }
}

TEST(StartUpVanish, APortGoneBeforeItOpensWritesNothing) {
    VanishRig r;
    r.rig.hub.vanish(1);
    r.start();
    EXPECT_TRUE(r.rig.takeLines().isEmpty());
    r.expectPortGivenUp({kPortNotAvailable});
    r.expectSilentClosedAndReconnectable();
}

// The user picks another device ID and the adapter goes away during its identification: the
// pick ends at that line; the version label is not overwritten and nothing more is sent.
TEST(StartUpVanish, APickOfAnotherDeviceEndsAtTheFailedLine) {
    const struct {
        const char* after;
        QStringList sent;
    } cases[] = {
        {"@07ID", {"@07ID"}},
        {"@07VER", {"@07ID", "@07VER"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.after);
        VanishRig r;
        r.rig.hub.bus(1)->addDevice(7);
        r.start();
        r.rig.takeLines();
        r.rig.hub.vanishAfter(1, c.after);
        QComboBox* ids = r.form->comm.SelectedDeviceID;
        ids->setCurrentIndex(ids->findText("07"));
        emit ids->activated(ids->currentIndex());
        EXPECT_EQ(r.rig.takeLines(), c.sent);
        EXPECT_EQ(r.form->session().values.ComAddress, "07");
        r.expectPortGivenUp({kIoError, kPortNotAvailable});
        r.expectSilentClosedAndReconnectable();
    }
}

}  // namespace
