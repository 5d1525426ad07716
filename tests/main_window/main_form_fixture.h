#pragma once

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <memory>

#include "main_window/main_control_form.h"
#include "support/sim_rig.h"

// A main window started against device 05 on COM1, with the wire record and the messages of
// start-up forgotten. Polling is stopped so that only the handlers under test talk to the device.
class MainFormTest : public ::testing::Test {
  protected:
    MainFormTest() {
        device = &rig.addDevice(1, 5);
        form = std::make_unique<MainControlForm>(rig.services());
        values().ComAddress = "05";
        values().Baudrate = "9600";
        values().ComPortNumber = 1;
        form->load();
        form->Timer1->stop();
        rig.takeLines();
        rig.prompter.clear();
    }

    ConnectionValues& values() { return form->session().values; }
    // Clicks a button and returns the lines it sent.
    QStringList click(QAbstractButton* button) {
        button->click();
        return rig.takeLines();
    }

    SimRig rig;
    SimDevice* device;
    std::unique_ptr<MainControlForm> form;
};

// The profile of the initial entries, then the given commands, for device 05.
inline QStringList withProfile(const QStringList& commands) {
    return framed("05", QStringList{"HSPD=1000", "LSPD=300", "ACC=300", "DEC=300"} + commands);
}
