#include <gtest/gtest.h>

#include "link/messages.h"
#include "main_window/main_control_form.h"
#include "support/sim_rig.h"
#include "widgets/status_colors.h"

namespace {

QColor background(QWidget* w) {
    return w->palette().color(QPalette::Base);
}

class StartupTest : public ::testing::Test {
  protected:
    StartupTest() {
        device = &rig.addDevice(1, 5);
        device->version = "V322";
        device->values["SYNC"] = "1";
        device->values["SYNP"] = "00100";
    }

    MainControlForm& start(const QString& address = "05", int port = 1) {
        form = std::make_unique<MainControlForm>(rig.services());
        form->session().values.ComAddress = address;
        form->session().values.Baudrate = "9600";
        form->session().values.ComPortNumber = port;
        form->load();
        return *form;
    }

    // As the user picking an entry of the device ID list.
    void pick(const QString& id) {
        QComboBox* list = form->comm.SelectedDeviceID;
        const int index = list->findText(id);
        list->setCurrentIndex(index);
        emit list->activated(index);
    }

    SimRig rig;
    SimDevice* device;
    std::unique_ptr<MainControlForm> form;
};

TEST_F(StartupTest, IdentifiesTheDeviceAndStartsPolling) {
    MainControlForm& w = start();
    EXPECT_EQ(rig.takeLines(), framed("05", {"ID", "VER", "SYNC", "SYNP", "SYNC", "DN", "VER"}));
    EXPECT_EQ(w.comm.ComStatusDisplay->text(), "Communication OK");
    EXPECT_EQ(background(w.comm.ComStatusDisplay), StatusColors::kGreen);
    EXPECT_EQ(w.comm.ID->text(), "Stepvane-CAN");
    EXPECT_EQ(w.comm.Version->text(), "V322");
    EXPECT_EQ(w.comm.BaudText->text(), "9600");
    EXPECT_TRUE(w.sync.SyncEqual->isChecked());
    EXPECT_EQ(w.sync.SyncPos->text(), "100");
    EXPECT_EQ(w.comm.SelectedDeviceID->currentText(), "05");
    EXPECT_EQ(w.status.MoveMode->text(), "ABS");
    EXPECT_EQ(w.onTheFly.SSPDModeCombo->count(), 9);
    EXPECT_TRUE(rig.prompter.shown.isEmpty());  // no firmware warning at start-up
    EXPECT_TRUE(w.Timer1->isActive());
    EXPECT_TRUE(w.session().values.ComPortStatus);
    EXPECT_TRUE(w.session().values.ComStatus);
    EXPECT_EQ(w.session().PollStep, 1);
    EXPECT_EQ(w.windowTitle(), "NVQ-CAN d108");
}

TEST_F(StartupTest, OpensThePortInTheDeviceOrder) {
    start();
    QStringList calls;
    // The port object is the window's own; its record of calls starts with the opening.
    auto& port = dynamic_cast<SimPort&>(form->session().port());
    calls = port.calls.mid(0, 6);
    EXPECT_EQ(calls, QStringList({"threshold 1", "input length 1", "settings 9600,N,8,1", "dtr 0",
                                  "port 1", "open"}));
}

TEST_F(StartupTest, SyncComparisonFollowsTheDevice) {
    const struct {
        const char* code;
        const char* checked;
    } cases[] = {{"2", "SyncLessThan"}, {"3", "SyncGreaterThan"}, {"1", "SyncEqual"}, {"9", ""}};
    for (const auto& c : cases) {
        device->values["SYNC"] = c.code;
        MainControlForm& w = start();
        QString checked;
        for (QRadioButton* b : {w.sync.SyncEqual, w.sync.SyncLessThan, w.sync.SyncGreaterThan}) {
            if (b->isChecked()) {
                checked = b->objectName();
            }
        }
        EXPECT_EQ(checked, c.checked) << c.code;
        EXPECT_TRUE(w.Timer1->isActive());
    }
}

TEST_F(StartupTest, ASilentOrForeignDeviceIsNotCommunicating) {
    for (const bool silent : {true, false}) {
        device->faults.silent = silent;
        device->identity = silent ? "Stepvane-CAN" : "Stepvane-R-TB";
        rig.prompter.clear();
        rig.takeLines();
        MainControlForm& w = start();
        EXPECT_EQ(rig.takeLines(), framed("05", {"ID", "VER"}));
        EXPECT_EQ(w.comm.ComStatusDisplay->text(), "No Communication");
        EXPECT_EQ(background(w.comm.ComStatusDisplay), StatusColors::kRed);
        EXPECT_EQ(rig.prompter.messages(), QStringList{"No Communication with device!"});
        EXPECT_EQ(w.comm.ID->text(), "???");
        EXPECT_EQ(w.comm.Version->text(), "???");
        EXPECT_TRUE(w.sync.SyncEqual->isChecked());
        EXPECT_EQ(w.sync.SyncPos->text(), "0");
        EXPECT_EQ(w.comm.SelectedDeviceID->currentText(), "05");
        EXPECT_FALSE(w.session().values.ComStatus);
        EXPECT_TRUE(w.Timer1->isActive());  // polling keeps asking for the identity
    }
}

TEST_F(StartupTest, APortThatCannotBeOpenedWritesNothing) {
    MainControlForm& w = start("05", 4);  // there is no COM4
    EXPECT_TRUE(rig.hub.lines().isEmpty());
    EXPECT_EQ(w.comm.ComStatusDisplay->text(), "Invalid Port");
    EXPECT_EQ(background(w.comm.ComStatusDisplay), StatusColors::kGrey);
    EXPECT_EQ(rig.prompter.messages(), QStringList{kPortNotAvailable});
    EXPECT_EQ(w.comm.SelectedDeviceID->currentText(), "05");
    EXPECT_EQ(w.comm.ID->text(), "???");
    EXPECT_TRUE(w.sync.SyncEqual->isChecked());
    EXPECT_EQ(w.sync.SyncPos->text(), "0");
    EXPECT_FALSE(w.session().values.ComPortStatus);
    EXPECT_FALSE(w.session().values.ComStatus);
    EXPECT_FALSE(w.Timer1->isActive());
}

TEST_F(StartupTest, UnusableRepliesEndStartUpAsAnUnavailablePort) {
    const struct {
        const char* key;
        const char* value;
    } cases[] = {{"SYNC", "?"}, {"SYNP", "abc"}, {"DN", "KRBXY"}};
    for (const auto& c : cases) {
        device->values = SimDevice(5, 9600).values;
        device->values[c.key] = c.value;
        rig.prompter.clear();
        MainControlForm& w = start();
        EXPECT_EQ(w.comm.ComStatusDisplay->text(), "Invalid Port") << c.key;
        EXPECT_EQ(rig.prompter.messages(), QStringList{kPortNotAvailable}) << c.key;
        EXPECT_FALSE(w.Timer1->isActive()) << c.key;
        EXPECT_TRUE(rig.hub.open_.isEmpty()) << c.key;  // the port is released
    }
}

TEST_F(StartupTest, ADeviceNameWithAnotherIdSwitchesToIt) {
    device->values["DN"] = "KRB07";
    MainControlForm& w = start();
    EXPECT_EQ(rig.takeLines(), QStringList({"@05ID", "@05VER", "@05SYNC", "@05SYNP", "@05SYNC",
                                            "@05DN", "@07ID", "@07VER"}));
    EXPECT_EQ(w.session().values.ComAddress, "07");
    EXPECT_EQ(rig.prompter.messages(),
              QStringList{"No Communication with the device at address 07"});
}

TEST_F(StartupTest, PickingAnotherDeviceWarnsAboutOlderFirmware) {
    const QString head =
        "This is an older version of the NVQ-R-TB (%1).\rThe following operations are not "
        "compatible with the Main window of this software:\r - Deceleration entry field.";
    const struct {
        const char* version;
        QString warning;
    } cases[] = {
        {"V322", head.arg("V322")},
        {"V319", head.arg("V319") + "\r - ABS and INC mode ('MM' command)."},
        {"V315", head.arg("V315") + "\r - ABS and INC mode ('MM' command).\r - Error Handling in "
                                    "Standalone.\r - Non-volatile variables."},
        {"V316", ""},
        {"v322", ""},
    };
    SimDevice& other = rig.hub.bus(1)->addDevice(6);
    other.values["SYNC"] = "3";
    other.values["SYNP"] = "-250";
    for (const auto& c : cases) {
        other.version = c.version;
        start();
        rig.takeLines();
        rig.prompter.clear();
        pick("06");
        EXPECT_EQ(rig.takeLines(), framed("06", {"ID", "VER", "SYNC", "SYNP"}));
        EXPECT_EQ(rig.prompter.messages(),
                  c.warning.isEmpty() ? QStringList() : QStringList{c.warning})
            << c.version;
        EXPECT_EQ(form->comm.Version->text(), c.version);
        EXPECT_EQ(form->comm.ComStatusDisplay->text(), "Communication OK");
        EXPECT_TRUE(form->sync.SyncGreaterThan->isChecked());
        EXPECT_EQ(form->sync.SyncPos->text(), "-250");
        EXPECT_EQ(form->session().values.ComAddress, "06");
    }
}

TEST_F(StartupTest, PickingTheSameIdSendsNothing) {
    start();
    rig.takeLines();
    pick("05");
    EXPECT_TRUE(rig.takeLines().isEmpty());
}

TEST_F(StartupTest, PickingADeviceThatDoesNotAnswerStaysOnIt) {
    SimDevice& foreign = rig.hub.bus(1)->addDevice(8);
    foreign.identity = "Stepvane-R-TB";
    for (const char* id : {"07", "08"}) {  // silent, and a foreign identity
        start();
        rig.prompter.clear();
        pick(id);
        EXPECT_EQ(rig.prompter.messages(),
                  QStringList{QString("No Communication with the device at address ") + id});
        EXPECT_EQ(form->session().values.ComAddress, id);
        EXPECT_FALSE(form->session().values.ComStatus);
        EXPECT_EQ(form->comm.ComStatusDisplay->text(), "No Communication");
        EXPECT_EQ(background(form->comm.ComStatusDisplay), StatusColors::kRed);
        EXPECT_EQ(form->comm.ID->text(), "???");
        EXPECT_EQ(form->comm.SelectedDeviceID->currentText(), id);
    }
}

TEST_F(StartupTest, PickingWithoutAnOpenPortKeepsTheOldId) {
    start("05", 4);
    rig.prompter.clear();
    pick("06");
    EXPECT_EQ(form->session().values.ComAddress, "05");
    EXPECT_TRUE(rig.hub.lines().isEmpty());
}

TEST_F(StartupTest, ClosingReleasesThePort) {
    start();
    EXPECT_TRUE(rig.hub.open_.contains(1));
    form->close();
    EXPECT_FALSE(rig.hub.open_.contains(1));
    EXPECT_FALSE(form->Timer1->isActive());
}

}  // namespace

namespace {

TEST_F(StartupTest, AChildWindowHasThePortWhileItIsShown) {
    start();
    bool paused = false;
    bool mainPortOpen = true;
    rig.modal.scripts.append([&](QDialog&) {
        paused = form->session().PausePolling;
        mainPortOpen = form->session().port().isOpen();
        // The child can open the same port itself.
        SimPort childPort(rig.hub);
        openPort(childPort, 1, "9600");
    });
    QDialog child;
    form->showChild(child);
    EXPECT_TRUE(paused);
    EXPECT_FALSE(mainPortOpen);
    EXPECT_TRUE(form->session().port().isOpen());
    EXPECT_FALSE(form->session().PausePolling);
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
}

TEST_F(StartupTest, WithoutAnOpenPortTheChildStillOpens) {
    start("05", 4);
    rig.prompter.clear();
    QDialog child;
    form->showChild(child);
    EXPECT_EQ(rig.modal.shownCount, 1);
    EXPECT_FALSE(form->session().port().isOpen());
    EXPECT_FALSE(form->session().PausePolling);
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
}

}  // namespace
