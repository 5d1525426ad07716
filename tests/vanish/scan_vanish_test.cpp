#include <QTemporaryDir>
#include <functional>

#include "connect/search_com.h"
#include "connect/select_com_form.h"
#include "vanish/vanish_rig.h"

namespace {

// The scan from the connection dialog over COM1 (device 05 at 9600) and COM3 (device 02 at
// 19200), with the scan window's ticks run back to back; before each tick the test may unplug.
struct ScanVanish {
    ScanVanish() { r.rig.addDevice(3, 2, 19200); }

    void search(bool all, const std::function<void(const SearchCom&)>& beforeTick) {
        r.rig.modal.scripts.append([&](QDialog& window) {
            auto& scan = dynamic_cast<SearchCom&>(window);
            for (int i = 0; i < 2000 && scan.isVisible(); ++i) {
                beforeTick(scan);
                scan.StatusTimer_Timer();
            }
            endedItself = !scan.isVisible();
        });
        (all ? dialog.SearchAllNVQ : dialog.SearchNVQ)->click();
    }

    VanishRig r;
    QTemporaryDir dir;
    SelectComForm dialog{r.rig.services(), dir.filePath("nvq-can.ini")};
    bool endedItself = false;
};

// COM1 goes away at one of the scan's steps: the scan passes it over without a word and finds
// the device on COM3, which it would never have reached with COM1's device there.
TEST(ScanVanish, APortLostDuringTheScanIsPassedOver) {
    const QString found = "NVQ-CAN Found on Port:3 Baud:19200 ID:02";
    const struct {
        const char* what;
        bool all;
        int lostAtStep;  // unplugged before this step's tick on COM1; 0: after "@03DN" went out
        QStringList sentOnCom1;
        QString said;
    } cases[] = {
        {"checking the port", false, 1, {}, found},
        {"opening at a baud rate", false, 3, {}, found},
        {"querying an ID", false, 0, {"@01DN", "@02DN", "@03DN"}, found},
        {"querying an ID, search all",
         true,
         0,
         {"@01DN", "@02DN", "@03DN"},
         "Found on Com Port:3 Baud:19200 ID:02\r\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ScanVanish s;
        if (c.lostAtStep == 0) {
            s.r.rig.hub.vanishAfter(1, "@03DN");
        }
        s.search(c.all, [&](const SearchCom& scan) {
            if (scan.Step == c.lostAtStep && scan.PortNumber == 1) {
                s.r.rig.hub.vanish(1);
            }
        });
        EXPECT_TRUE(s.endedItself);
        EXPECT_EQ(s.r.rig.prompter.messages(), QStringList{c.said});
        EXPECT_EQ(s.r.rig.hub.lines(1), c.sentOnCom1);
        EXPECT_EQ(s.r.rig.hub.lines(3).last(), c.all ? "@09DN" : "@02DN");
        EXPECT_TRUE(s.r.rig.hub.open_.isEmpty());
        if (!c.all) {
            EXPECT_EQ(s.dialog.combo->currentText(), "COM3");
        }
        s.r.expectConnectsAgain();
    }
}

}  // namespace
