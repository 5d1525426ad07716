#include <gtest/gtest.h>

#include <QTemporaryDir>

#include "main_window/main_control_form.h"
#include "setup_rig.h"

namespace {

// The main window on device 05, with the setup window opened from its "Setup" button.
class HandOverTest : public ::testing::Test {
  protected:
    HandOverTest() : device(&rig.addDevice(1, 5)) {}

    MainControlForm& startMain() {
        main = std::make_unique<MainControlForm>(rig.services());
        main->session().values.ComAddress = "05";
        main->session().values.Baudrate = "9600";
        main->session().values.ComPortNumber = 1;
        main->load();
        rig.takeLines();
        return *main;
    }

    SimRig rig;
    SimDevice* device;
    std::unique_ptr<MainControlForm> main;
};

TEST_F(HandOverTest, SetupGetsThePortAndGivesItBack) {
    MainControlForm& m = startMain();
    auto& mainPort = dynamic_cast<SimPort&>(m.session().port());
    bool ran = false;
    rig.modal.scripts << [&](QDialog& child) {
        ran = true;
        auto* setup = dynamic_cast<SetupParameters*>(&child);
        ASSERT_NE(setup, nullptr);
        EXPECT_EQ(setup->windowTitle(), "Setup Parameters");
        EXPECT_TRUE(m.session().PausePolling);
        EXPECT_FALSE(mainPort.isOpen());
        EXPECT_EQ(setup->values().ComAddress, "05");
        EXPECT_EQ(setup->values().ComPortNumber, 1);
        EXPECT_TRUE(setup->values().ComStatus);
        // The upload ran on the setup window's own port, and the main window's ticks stay off
        // the line while it is open.
        for (int i = 0; i < 5; ++i) {
            EXPECT_TRUE(QMetaObject::invokeMethod(m.Timer1, "timeout"));
        }
        EXPECT_EQ(rig.takeLines(), framed("05", uploadQueries()));
        EXPECT_TRUE(rig.hub.open_.contains(1));
        setup->Close->click();
        EXPECT_TRUE(rig.hub.open_.isEmpty());  // closing released the port
    };
    m.Setup->click();
    EXPECT_TRUE(ran);
    EXPECT_FALSE(m.session().PausePolling);
    EXPECT_TRUE(mainPort.isOpen());
    EXPECT_TRUE(m.session().values.ComPortStatus);
    EXPECT_TRUE(m.Timer1->isActive());
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
}

TEST_F(HandOverTest, ClosingByTheFrameReleasesThePortToo) {
    MainControlForm& m = startMain();
    rig.modal.scripts << [&](QDialog& child) {
        child.reject();  // Escape, or the frame's close box
        EXPECT_TRUE(rig.hub.open_.isEmpty());
    };
    m.Setup->click();
    EXPECT_TRUE(m.session().port().isOpen());
}

TEST_F(HandOverTest, WithoutAnOpenPortTheSetupWindowOpensAllTheSame) {
    MainControlForm& m = startMain();
    m.session().port().close();
    m.session().values.ComPortStatus = false;
    m.Setup->click();
    EXPECT_EQ(rig.modal.shownCount, 1);
    EXPECT_EQ(rig.prompter.messages(), QStringList{"Communication port not open!"});
    EXPECT_TRUE(rig.hub.lines().isEmpty());
    EXPECT_FALSE(m.session().port().isOpen());
    EXPECT_FALSE(m.session().PausePolling);
}

// A parameter set edited in one window, saved, opened in a fresh window and downloaded reaches
// the device unchanged.
TEST_F(HandOverTest, AnEditedSetTravelsThroughAFileToTheDevice) {
    QTemporaryDir dir;
    const QString file = dir.filePath("edited.par");
    SetupRig first;
    first.open();
    SetupControls& c = first.controls();
    const ParameterControls& p = c.params;
    const struct {
        QLineEdit* box;
        const char* text;
        const char* key;
    } texts[] = {{p.LCA, "250", "LCA"},
                 {p.RunCurrent, "1800", "CURR"},
                 {p.IdleCurrent, "600", "CURI"},
                 {p.IdleTime, "750", "CURT"},
                 {p.PosGuardTolRange, "20", "SLT"},
                 {p.PosGuardErrorRange, "400", "SLE"},
                 {p.PosGuardMaxAttempt, "5", "SLA"},
                 {p.PosGuardHighSpeed, "1200", "SLH"},
                 {p.PosGuardIdleTime, "80", "SLI"},
                 {p.DOBOOT, "J+", "DOBOOT"},
                 {p.EOBOOT, "", "EOBOOT"}};
    QMap<QString, QString> expected = first.device->values;
    for (const auto& t : texts) {
        t.box->setText(t.text);
        expected[t.key] = t.text;
    }
    c.polarity.HomePolHigh->setChecked(true);
    c.polarity.AlarmPolHigh->setChecked(true);
    p.PosGuardEnable->setChecked(true);
    p.EDOenable->setChecked(true);
    p.ReturnZero->setChecked(true);
    c.comm.selectMethod(CommMethod::Rs232);
    selectItem(c.comm.DeviceIDCombo, "07");
    selectItem(c.comm.NodeIDCombo1, "33");
    selectItem(c.comm.baudCombo, "38400");
    selectItem(c.comm.CANbaudCombo, "500000");
    const QMap<QString, QString> others{{"POL", "288"}, {"SL", "1"}, {"EDO", "1"},
                                        {"RZ", "1"},    {"CM", "0"}, {"DN", "KRB07"},
                                        {"NID", "33"},  {"DB", "3"}, {"BR", "7"}};
    expected.insert(others);
    first.rig.prompter.fileNames = {file};
    first.window->SaveParameters->click();

    SetupRig second;
    second.open();
    second.rig.prompter.fileNames = {file};
    second.window->OpenParameters->click();
    second.rig.prompter.clear();
    second.rig.prompter.answers = {true, true, true, true, true};
    second.window->DownloadPar->click();
    EXPECT_EQ(second.rig.prompter.messages().size(), 11);  // five questions, five results, done
    EXPECT_EQ(second.rig.prompter.messages().last(), "Download Done!");
    EXPECT_EQ(second.device->values, expected);
}

}  // namespace
