#pragma once

#include <gtest/gtest.h>

#include "main_window/main_control_form.h"
#include "support/engine_settle.h"
#include "support/sim_rig.h"

// A main window against device 05 on COM1. The constructor starts it quietly: polling stopped,
// the wire record and the messages of start-up forgotten, so that only the handlers under test
// talk to the device.
class MainFormTest : public ::testing::Test {
  protected:
    MainFormTest() : device(&rig.addDevice(1, 5)) { start(1, true); }

    // A new window on COM<port> (the old one closes first), started as the connection dialog
    // starts it.
    MainControlForm& start(int port = 1, bool quiet = false) {
        form.reset();
        form = std::make_unique<MainControlForm>(services);
        values().ComAddress = "05";
        values().Baudrate = "9600";
        values().ComPortNumber = port;
        form->load();
        settleEngines();
        if (quiet) {
            form->Timer1->stop();
            rig.takeLines();
            rig.prompter.clear();
        }
        return *form;
    }

    // The connection values as the window's last job left them.
    ConnectionValues& values() { return form->session().values; }
    // Changes the window's line side as a test needs it, between two jobs.
    void onLine(const std::function<void(MainLine&)>& change) {
        form->session().run(change);
        settleEngines();
    }
    void setPollStep(int step) {
        onLine([step](MainLine& m) { m.cycle.pollStep = step; });
    }
    // One polling tick after the jobs given before it, run to its end.
    void tickOnce() {
        settleEngines();
        form->Timer1_Timer();
        settleEngines();
    }
    // Clicks a button and returns the lines it sent.
    QStringList click(QAbstractButton* button) {
        button->click();
        return rig.takeLines();
    }
    // As the user picking an entry of the device ID list.
    void pick(const QString& id) {
        QComboBox* list = form->comm.SelectedDeviceID;
        list->setCurrentIndex(list->findText(id));
        emit list->activated(list->currentIndex());
        settleEngines();
    }
    // What the communication frame shows: the status text and its colour, the identity, the
    // version and the selected device ID.
    QStringList shownComm() {
        const CommunicationPanel& c = form->comm;
        return {c.ComStatusDisplay->text(),
                c.ComStatusDisplay->palette().color(QPalette::Base).name(), c.ID->text(),
                c.Version->text(), c.SelectedDeviceID->currentText()};
    }

    SimRig rig;
    SimDevice* device;
    WindowServices services = rig.services();
    std::unique_ptr<MainControlForm> form;
};

// The communication display's colours: green 0, 255, 0 and red 255, 0, 0.
inline const QString kGreen = "#00ff00";
inline const QString kRed = "#ff0000";

// The profile of the initial entries, then the given commands, for device 05.
inline QStringList withProfile(const QStringList& commands) {
    return framed("05", QStringList{"HSPD=1000", "LSPD=300", "ACC=300", "DEC=300"} + commands);
}
