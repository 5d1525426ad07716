#include <QTemporaryDir>

#include "connect/search_com.h"
#include "connect/select_com_form.h"
#include "vanish/vanish_rig.h"

namespace {

// The scan from the connection dialog over COM1 (device 05 at 9600) and COM3 (device 02 at
// 19200), with the scan window's ticks run back to back, each step to its end. COM1 goes away at
// one of the scan's steps: the scan passes it over without a word and finds the device on COM3,
// which it would never have reached with COM1's device there.
TEST(ScanVanish, APortLostDuringTheScanIsPassedOver) {
    const struct {
        const char* what;
        bool all;
        int lostAtStep;  // unplugged before this step's tick on COM1; 0: after "@03DN" went out
    } cases[] = {
        {"checking the port", false, 1},
        {"opening at a baud rate", false, 3},
        {"querying an ID", false, 0},
        {"querying an ID, search all", true, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        VanishRig r;
        r.rig.addDevice(3, 2, 19200);
        if (c.lostAtStep == 0) {
            r.rig.hub.vanishAfter(1, "@03DN");
        }
        QTemporaryDir dir;
        SelectComForm dialog(r.rig.services(), dir.filePath("nvq-can.ini"));
        r.withChild<SearchCom>(c.all ? dialog.SearchAllNVQ : dialog.SearchNVQ, [&](SearchCom& s) {
            for (int i = 0; i < 2000 && s.isVisible(); ++i) {
                if (s.Step == c.lostAtStep && s.PortNumber == 1) {
                    r.rig.hub.vanish(1);
                }
                s.StatusTimer_Timer();
                settleEngines();
            }
            EXPECT_FALSE(s.isVisible()) << "the scan ended by itself";
        });
        EXPECT_EQ(r.rig.prompter.messages(),
                  QStringList{c.all ? "Found on Com Port:3 Baud:19200 ID:02\r\n"
                                    : "NVQ-CAN Found on Port:3 Baud:19200 ID:02"});
        EXPECT_EQ(r.rig.hub.lines(1),
                  c.lostAtStep == 0 ? framed("0", {"1DN", "2DN", "3DN"}) : QStringList());
        EXPECT_EQ(r.rig.hub.lines(3).last(), c.all ? "@09DN" : "@02DN");
        EXPECT_TRUE(r.rig.hub.open_.isEmpty());
        EXPECT_EQ(dialog.combo->currentText(), c.all ? "COM1" : "COM3");
        r.expectConnectsAgain();
    }
}

}  // namespace
