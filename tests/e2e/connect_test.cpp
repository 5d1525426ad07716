#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "connect/select_com_form.h"
#include "e2e/sim_process.h"
#include "link/qt_serial_port.h"
#include "main_window/main_control_form.h"
#include "support/qt_printers.h"
#include "widgets/modal_runner.h"
#include "widgets/scripted_prompter.h"

namespace {

TEST(Connect, TheDialogConnectsToTheSimulatedDevice) {
    SimProcess sim({"--port", "3", "--device", "5:19200"});
    ASSERT_TRUE(sim.started());
    QTemporaryDir dir;
    ScriptedPrompter prompter;
    ScriptedModalRunner modal;
    const WindowServices services{[] { return std::make_unique<QtSerialPort>(); }, &prompter,
                                  &modal};
    SelectComForm dialog(services, dir.filePath("nvq-can.ini"));
    dialog.combo->setCurrentText("COM3");
    dialog.baudCom->setCurrentText("19200");
    dialog.DeviceIDCombo->setCurrentText("05");

    QString status;
    QString identity;
    modal.scripts.append([&](QDialog& window) {
        auto& main = dynamic_cast<MainControlForm&>(window);
        status = main.comm.ComStatusDisplay->text();
        identity = main.comm.ID->text();
    });
    dialog.Connect->click();
    EXPECT_EQ(status, "Communication OK");
    EXPECT_EQ(identity, "Stepvane-CAN");
    EXPECT_TRUE(prompter.shown.isEmpty());

    QStringList sent;
    for (const QString& line : sim.log().split('\n')) {
        const int at = line.indexOf(" -> ");
        if (at >= 0) {
            sent << line.mid(at + 4).split("<CR>", Qt::SkipEmptyParts);
        }
    }
    const QStringList startup = {"@05ID",   "@05VER", "@05SYNC", "@05SYNP",
                                 "@05SYNC", "@05DN",  "@05VER"};
    EXPECT_EQ(sent.mid(0, 7), startup);
}

}  // namespace
