#pragma once

#include <gtest/gtest.h>

#include <memory>

#include "main_window/main_control_form.h"
#include "support/engine_settle.h"
#include "support/sim_rig.h"

// Device 05 at 9600 baud on COM1, a main window on it as the connection dialog starts it, and
// what every vanishing-port test checks: the port given up once, nothing more said or written,
// everything released on closing, and a new connection working once the adapter is back.
struct VanishRig {
    VanishRig();

    // Builds and shows the main window and runs its start-up, whose lines are then forgotten
    // unless kept. The polling timer is left as start-up leaves it, but only the ticks a test
    // drives run.
    MainControlForm& start(bool keepStartUpLines = false);
    // One polling tick at the given step of the rotation.
    void tickAt(int pollStep);
    // Picks another device ID in the main window.
    void pickDevice(const QString& id);
    // The port vanishes once the last of these lines has gone out as often as it is among them;
    // at once when there are none.
    void vanishAfterLast(const QStringList& lines) {
        if (lines.isEmpty()) {
            rig.hub.vanish(1);
        } else {
            rig.hub.vanishAfter(1, lines.last().toLatin1(), lines.count(lines.last()));
        }
    }
    // Clicks a button that opens a child window; the script runs while the window is open.
    template <class Window, class Script>
    void withChild(QAbstractButton* opener, Script script) {
        rig.modal.scripts.append([script](QDialog& d) { script(dynamic_cast<Window&>(d)); });
        opener->click();
        settleEngines();
    }

    // The main window after a port failure: the messages in order, "Invalid Port" on grey, no
    // device shown, the sync reset, the flags cleared, polling stopped and the port closed. Then
    // ticks, a click, the terminal pane and a device-ID pick neither write nor say anything,
    // "Close" stops the timer and releases the port, and expectConnectsAgain().
    void expectGivenUpThenReconnects(const QStringList& messages);
    // The adapter is back: "Connect" in the connection dialog gets "Communication OK".
    void expectConnectsAgain();

    SimRig rig;
    SimDevice* device;
    std::unique_ptr<MainControlForm> form;
    // Lines the main window wrote from inside a message box (timers fire in its nested loop).
    QStringList sentWhileShowing;
};
