#pragma once

#include <QStringList>

#include <memory>
#include "support/qt_printers.h"

#include "sim/sim_port.h"
#include "widgets/modal_runner.h"
#include "widgets/scripted_prompter.h"
#include "widgets/window_services.h"

// Everything a window test needs: simulated COM ports on a virtual clock, a scripted prompter
// and a scripted modal runner, wired into WindowServices.
struct SimRig {
    SimRig();

    // A COM port with one device on it.
    SimDevice& addDevice(int port, int id, int baud = 9600);

    WindowServices services();
    // Lines written so far (without CR), then forgets them.
    QStringList takeLines(int port = 0);

    SimHub hub;
    ScriptedPrompter prompter;
    ScriptedModalRunner modal;
};

// "@" + two-digit ID + command, for expected wire lines.
QStringList framed(const QString& address, const QStringList& commands);
