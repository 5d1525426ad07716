#include <gtest/gtest.h>

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QThread>

#include "connect/search_com.h"
#include "connect/select_com_form.h"
#include "e2e/sim_process.h"
#include "link/qt_serial_port.h"
#include "support/qt_printers.h"
#include "widgets/modal_runner.h"
#include "widgets/scripted_prompter.h"

namespace {

// Two simulated COM ports at different baud rates: device 02 at 19200 on COM1, devices 01 and
// 02 at 115200 on COM4. The other ports do not exist.
const QStringList kTwoLinks = {"--port", "1",        "--device", "2:19200",  "--port",
                               "4",      "--device", "1:115200", "--device", "2:115200"};

// The connection dialog on the real serial ports. The scan window's ticks run back to back
// rather than 100 ms apart; everything else, the waits for replies included, is real.
struct RealDialog {
    RealDialog() {
        modal.scripts.append([](QDialog& window) {
            auto& search = dynamic_cast<SearchCom&>(window);
            for (int i = 0; i < 2000 && search.isVisible(); ++i) {
                search.StatusTimer_Timer();
            }
        });
    }

    QStringList selection() const {
        return {form.combo->currentText(), form.baudCom->currentText(),
                form.DeviceIDCombo->currentText()};
    }

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    ScriptedModalRunner modal;
    WindowServices services{[] { return std::make_unique<QtSerialPort>(); }, &prompter, &modal};
    SelectComForm form{services, dir.filePath("nvq-can.ini")};
};

// How often the simulator's log holds the text, once it holds it that often or after a few
// seconds: the simulator logs a line when it handles it, which may be a moment after the scan
// has sent it and moved on (a slow build, a busy machine).
qsizetype loggedCount(const SimProcess& sim, const QString& text, qsizetype expected) {
    QDeadlineTimer deadline(3000);
    qsizetype count = sim.log().count(text);
    while (count < expected && !deadline.hasExpired()) {
        QThread::msleep(20);
        count = sim.log().count(text);
    }
    return count;
}

TEST(Search, SearchFindsTheFirstDeviceOnTheSimulatedPorts) {
    SimProcess sim(kTwoLinks);
    ASSERT_TRUE(sim.started());
    RealDialog d;
    QElapsedTimer clock;
    clock.start();
    d.form.SearchNVQ->click();
    EXPECT_EQ(d.prompter.messages(), QStringList{"NVQ-CAN Found on Port:1 Baud:19200 ID:02"});
    EXPECT_EQ(d.selection(), QStringList({"COM1", "19200", "02"}));
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_FALSE(sim.log().contains("COM4 ->")) << "the scan stopped at the first device";
}

TEST(Search, SearchAllListsTheDevicesOfBothPorts) {
    SimProcess sim(kTwoLinks);
    ASSERT_TRUE(sim.started());
    RealDialog d;
    d.form.SearchAllNVQ->click();
    EXPECT_EQ(d.prompter.messages(), QStringList{"Found on Com Port:1 Baud:19200 ID:02\r\n"
                                                 "Found on Com Port:4 Baud:115200 ID:01\r\n"
                                                 "Found on Com Port:4 Baud:115200 ID:02\r\n"});
    EXPECT_EQ(d.selection(), QStringList({"COM1", "9600", "01"}));
    EXPECT_EQ(loggedCount(sim, "COM4 -> @09DN", 5), 5) << "every baud rate of COM4 was tried";
}

}  // namespace
