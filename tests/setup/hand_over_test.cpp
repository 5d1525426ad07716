#include <gtest/gtest.h>

#include <QTest>

#include "main_window/main_control_form.h"
#include "setup_rig.h"
#include "support/engine_settle.h"

namespace {

// The main window on device 05 opens the setup window with its "Setup" button. What any child
// window gets (polling paused, the main window's port closed while it is shown and opened again
// after) is the main window's own test's; here: what the setup window does with the port. Closing
// it by its button or by the frame releases the port; Escape does not close it (edits not yet
// downloaded or saved would be lost).
TEST(HandOver, SetupGetsThePortAndGivesItBack) {
    SimRig rig;
    rig.addDevice(1, 5);
    for (const bool byFrame : {false, true}) {
        SCOPED_TRACE(byFrame);
        MainControlForm m(rig.services());
        m.session().values = {"05", "9600", 1};
        m.load();
        rig.takeLines();
        rig.modal.scripts << [&](QDialog& child) {
            auto* setup = dynamic_cast<SetupParameters*>(&child);
            ASSERT_NE(setup, nullptr);
            EXPECT_EQ(setup->values().ComAddress, "05");
            EXPECT_EQ(setup->values().ComPortNumber, 1);
            EXPECT_TRUE(setup->values().ComStatus);
            // The upload ran on the setup window's own port, and the main window's ticks stay
            // off the line while it is open.
            for (int i = 0; i < 5; ++i) {
                EXPECT_TRUE(QMetaObject::invokeMethod(m.Timer1, "timeout"));
            }
            ASSERT_TRUE(settleEngines());
            EXPECT_EQ(rig.takeLines(), framed("05", uploadQueries()));
            EXPECT_TRUE(rig.hub.open_.contains(1));
            QTest::keyClick(setup, Qt::Key_Escape);
            EXPECT_TRUE(rig.hub.open_.contains(1));
            EXPECT_EQ(setup->result(), QDialog::Rejected);
            byFrame ? (void)setup->close() : setup->Close->click();
            ASSERT_TRUE(settleEngines());
            EXPECT_TRUE(rig.hub.open_.isEmpty());
        };
        m.Setup->click();
        settleEngines();
        EXPECT_TRUE(rig.modal.scripts.isEmpty());  // the setup window was shown
        EXPECT_TRUE(m.session().portOpen);
        EXPECT_TRUE(m.session().values.ComPortStatus);
        EXPECT_TRUE(m.Timer1->isActive());
        EXPECT_TRUE(rig.prompter.shown.isEmpty());
    }
}

}  // namespace
