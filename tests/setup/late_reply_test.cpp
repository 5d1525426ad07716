#include <gtest/gtest.h>

#include <QFile>
#include <QTemporaryDir>

#include "main_window/main_control_form.h"
#include "setup_rig.h"
#include "support/engine_settle.h"

namespace {

// What the user sees and keeps in one session with device 05 on a line that runs at its real
// pace: start-up, polling, the parameter window opened from the main window, the file saved
// there and a download of it.
struct Session {
    QStringList startUp;   // sync option, sync position, device ID list
    QStringList polled;    // position, encoder, identity, version, communication display
    QStringList uploaded;  // a few of the parameter window's controls, and its messages
    QByteArray file;       // the parameter file saved after the upload
    bool downloadKeptTheDevice = false;
};

QStringList checked(std::initializer_list<QRadioButton*> options) {
    QStringList names;
    for (QRadioButton* b : options) {
        if (b->isChecked()) {
            names << b->objectName();
        }
    }
    return names;
}

// With late set, the device answers one command late at each stage: "VER" at start-up, "EX"
// while polling, and "PX" in auto-response mode just before "Setup" is pressed, so that the
// answer to the re-sent "PX" is still on the wire when the parameter window takes the port.
Session run(bool late) {
    SimRig rig;
    rig.hub.pacing = true;
    SimDevice& d = rig.addDevice(1, 5);
    d.values["SYNC"] = "3";
    d.values["SYNP"] = "250";
    d.values["POL"] = "65";
    d.values["CURR"] = "1200";
    d.values["CURI"] = "400";
    d.values["CURT"] = "700";
    d.values["SLR"] = "6";
    d.handle("PX=1234", 0);
    d.handle("EX=-567", 0);
    const auto lateOnce = [&](const char* command) {
        if (late) {
            d.faults.late = {{command, 150, 1}};
        }
    };
    Session seen;

    lateOnce("VER");
    MainControlForm m(rig.services());
    m.session().values = {"05", "9600", 1};
    m.load();
    settleEngines();
    seen.startUp = checked({m.sync.SyncEqual, m.sync.SyncLessThan, m.sync.SyncGreaterThan});
    seen.startUp << m.sync.SyncPos->text() << m.comm.SelectedDeviceID->currentText();

    lateOnce("EX");
    for (int i = 0; i < 12; ++i) {
        m.Timer1_Timer();
        settleEngines();
    }
    seen.polled = QStringList{m.status.Pos->text(), m.status.Enc->text(), m.comm.ID->text(),
                              m.comm.Version->text(), m.comm.ComStatusDisplay->text()};

    d.values["AR"] = "1";
    m.session().run([](MainLine& line) { line.cycle.pollStep = 1; });  // "AR", "EX", "PX" only
    settleEngines();
    m.Timer1_Timer();  // auto-response mode from now on
    settleEngines();
    lateOnce("PX");
    m.Timer1_Timer();
    settleEngines();

    QTemporaryDir dir;
    const QString path = dir.filePath("axis.par");
    rig.modal.scripts << [&](QDialog& child) {
        auto& setup = dynamic_cast<SetupParameters&>(child);
        settleEngines();
        const SetupControls& c = setup.controls;
        seen.uploaded =
            QStringList{c.params.RunCurrent->text(), c.params.PosGuardRatio->text(),
                        c.comm.DeviceIDCombo->currentText()} +
            checked({c.polarity.PulsePolHigh, c.polarity.LatchPolHigh, c.polarity.AlarmPolHigh}) +
            rig.prompter.messages();
        rig.prompter.fileNames = {path};
        setup.SaveParameters->click();
        settleEngines();
        QFile file(path);
        if (file.open(QIODevice::ReadOnly)) {
            seen.file = file.readAll();
        }
        const QMap<QString, QString> before = d.values;
        setup.DownloadPar->click();
        settleEngines();
        seen.downloadKeptTheDevice = d.values == before;
    };
    m.Setup->click();
    settleEngines();
    return seen;
}

TEST(LateReply, EveryDisplayControlAndFileHoldsItsOwnCommandsValue) {
    const Session plain = run(false);
    EXPECT_EQ(plain.startUp, QStringList({"SyncGreaterThan", "250", "05"}));
    EXPECT_EQ(plain.polled,
              QStringList({"1234", "-567", "Stepvane-CAN", "V340", "Communication OK"}));
    EXPECT_EQ(plain.uploaded, QStringList({"1200", "6", "05", "PulsePolHigh", "LatchPolHigh"}));
    EXPECT_TRUE(plain.file.contains("\r\n1200\r\n"));
    EXPECT_TRUE(plain.downloadKeptTheDevice);

    const Session late = run(true);
    EXPECT_EQ(late.startUp, plain.startUp);
    EXPECT_EQ(late.polled, plain.polled);
    EXPECT_EQ(late.uploaded, plain.uploaded);
    EXPECT_EQ(late.file, plain.file);
    EXPECT_TRUE(late.downloadKeptTheDevice);
}

}  // namespace
