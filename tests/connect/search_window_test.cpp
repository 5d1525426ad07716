// The search window on its line engine: its thread runs its events while a step waits on the
// device, Cancel pressed meanwhile ends the scan at the next step, and closing the window while
// a step runs ends the scan cleanly with the port closed.
#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <functional>

#include "connect/search_com.h"
#include "connect/select_com_form.h"
#include "device/line_engine.h"
#include "support/engine_settle.h"
#include "support/held_line.h"
#include "support/sim_rig.h"

namespace {

// The connection dialog on simulated ports, one per case.
struct SearchRig {
    // Clicks "Search" with a device on COM1 at 9600 baud; script gets the window once its
    // steps have come up to the first query, "@01DN", which the next step sends.
    void search(int deviceId, const std::function<void(SearchCom&)>& script) {
        rig.addDevice(1, deviceId);
        rig.modal.scripts.append([this, script](QDialog& window) {
            auto& scan = dynamic_cast<SearchCom&>(window);
            scan.StatusTimer->setInterval(60'000);  // the test gives the steps
            for (int i = 0; i < 17; ++i) {          // 15 port checks, port 1 found, opened at 9600
                scan.StatusTimer_Timer();
                ASSERT_TRUE(settleEngines());
            }
            ASSERT_EQ(scan.ProgressLabel->text(), "Trying Port 1, Baud:9600");
            rig.hub.clearLines();
            script(scan);
        });
        form.SearchNVQ->click();
    }
    // Gives the steps one by one, each to its end, until the window closes.
    static void runToEnd(SearchCom& scan) {
        for (int i = 0; i < 2000 && scan.isVisible(); ++i) {
            scan.StatusTimer_Timer();
            ASSERT_TRUE(settleEngines());
        }
        EXPECT_FALSE(scan.isVisible()) << "the scan window closes itself";
    }

    QTemporaryDir dir;
    SimRig rig;
    HeldLine held{rig.hub};  // ends after the window, whose line it may hold
    SelectComForm form{rig.services(), dir.filePath("nvq-can.ini")};
};

// A device with ID 02 that takes its time: while the query of ID 01 waits, a timer of the
// window's thread fires, finds the window showing the step before, and may press Cancel. Without
// Cancel the scan goes on to ID 02 and finds it; with Cancel the step under way is the last.
TEST(SearchWindow, TheWindowRunsItsEventsWhileAStepWaitsAndCancelEndsTheScanAfterIt) {
    const struct {
        const char* name;
        bool cancel;
        QStringList wire;
        QString message;
        QStringList selection;
    } cases[] = {
        {"going on",
         false,
         {"@01DN", "@02DN"},
         "NVQ-CAN Found on Port:1 Baud:9600 ID:02",
         {"COM1", "9600", "02"}},
        {"cancelled",
         true,
         {"@01DN"},
         "Device not found!  Please check wiring and power inputs",
         {"COM7", "38400", "33"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        SearchRig r;
        r.form.combo->setCurrentText("COM7");
        r.form.baudCom->setCurrentText("38400");
        r.form.DeviceIDCombo->setCurrentText("33");
        QString shown;
        QStringList wire;
        r.search(2, [&](SearchCom& scan) {
            r.held.arm("@01DN");
            scan.StatusTimer_Timer();
            ASSERT_TRUE(r.held.waitUntilHeld());
            // The hold ends only when this timer fires, or at its bound.
            bool fired = false;
            QTimer::singleShot(10, &scan, [&] {
                fired = true;
                shown = scan.ProgressLabel->text();
                if (c.cancel) {
                    scan.Cancel->click();
                }
                r.held.release();
            });
            EXPECT_TRUE(QTest::qWaitFor([&] { return fired; }, HeldLine::kBoundMs * 2));
            EXPECT_TRUE(r.held.endedInTime()) << "the timer fired only after the step";
            SearchRig::runToEnd(scan);
            wire = r.rig.takeLines();
        });
        EXPECT_EQ(shown, "Trying Port 1, Baud:9600");
        EXPECT_EQ(wire, c.wire);
        EXPECT_EQ(r.rig.prompter.messages(), QStringList{c.message});
        EXPECT_EQ(QStringList({r.form.combo->currentText(), r.form.baudCom->currentText(),
                               r.form.DeviceIDCombo->currentText()}),
                  c.selection);
        EXPECT_TRUE(r.rig.hub.open_.isEmpty());
    }
}

// Closing the window while the query of device 01 waits for its answer: the step ends (the
// answer read, so the device counts as found), nothing further goes out, and the port is closed
// when the close returns. The hold ends once the window starts closing.
TEST(SearchWindow, ClosingWhileAStepRunsEndsTheScanAndClosesThePort) {
    const std::pair<const char*, std::function<void(SearchCom&)>> ways[] = {
        {"Escape", [](SearchCom& scan) { QTest::keyClick(&scan, Qt::Key_Escape); }},
        {"the frame", [](SearchCom& scan) { scan.close(); }},
    };
    for (const auto& [way, closeIt] : ways) {
        SCOPED_TRACE(way);
        SearchRig r;
        r.search(1, [&r, closeIt = closeIt](SearchCom& scan) {
            r.held.arm("@01DN", [] { return LineEngine::allIdle(); });
            scan.StatusTimer_Timer();
            ASSERT_TRUE(r.held.waitUntilHeld());
            closeIt(scan);
            EXPECT_TRUE(r.held.endedInTime()) << "the close came after the step";
            EXPECT_FALSE(scan.isVisible());
            EXPECT_TRUE(r.rig.hub.open_.isEmpty());
            EXPECT_FALSE(scan.StatusTimer->isActive());
            scan.StatusTimer_Timer();  // a closed window gives no step
            EXPECT_EQ(r.rig.takeLines(), QStringList{"@01DN"});
        });
        EXPECT_EQ(r.rig.prompter.messages(),
                  QStringList{"NVQ-CAN Found on Port:1 Baud:9600 ID:01"});
    }
}

}  // namespace
