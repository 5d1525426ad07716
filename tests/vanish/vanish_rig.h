#pragma once

#include <gtest/gtest.h>

#include <QStringList>
#include <memory>

#include "link/messages.h"
#include "main_window/main_control_form.h"
#include "support/sim_rig.h"

// What the user is told when the adapter goes away under an exchange.
inline const QString kIoError = QString(kCommunicationError) + "Input/output error";
// ... and when a window touches its port again after that.
inline const QString kNotOpenError = QString(kCommunicationError) + "Port is not open";

// Device 05 at 9600 baud on COM1, a main window on it as the connection dialog starts it, and
// what every vanishing-port test checks: the port given up once, nothing more said or written,
// everything released on closing, and a new connection working once the adapter is back.
struct VanishRig {
    VanishRig();

    // Builds and shows the main window and runs its start-up. The polling timer is left as
    // start-up leaves it, but only the ticks a test drives run.
    MainControlForm& start();
    // One polling tick at the given step of the rotation.
    void tickAt(int pollStep);

    // The main window after a port failure: the messages in order, the flags cleared, "Invalid
    // Port" on grey, no device shown, the sync reset, polling stopped and the port closed.
    void expectPortGivenUp(const QStringList& messages);
    // Ticks, a click, the terminal pane and a device-ID pick: none writes or says anything.
    void expectNothingMore();
    // "Close" stops the timer and releases the port.
    void expectClosesCleanly();
    // The adapter is back: "Connect" in the connection dialog gets "Communication OK".
    void expectConnectsAgain();
    // The last three, in that order.
    void expectSilentClosedAndReconnectable();

    SimRig rig;
    SimDevice* device;
    std::unique_ptr<MainControlForm> form;
    // Lines the main window wrote from inside a message box (timers fire in its nested loop).
    QStringList sentWhileShowing;
};
