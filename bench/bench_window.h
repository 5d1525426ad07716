#pragma once

#include <QTemporaryDir>
#include <functional>

#include "connect/select_com_form.h"
#include "counting_port.h"
#include "main_window/main_control_form.h"
#include "widgets/modal_runner.h"
#include "widgets/scripted_prompter.h"

// What the windows of a bench get: counted QtSerialPorts, the scripted prompter and modal runner.
WindowServices countedServices(LineCounts& counts, Prompter& prompter, ModalRunner& modal);

// The real main window on a counted QtSerialPort, offscreen, talking to device 01 on COM1.
struct BenchWindow {
    explicit BenchWindow(LineCounts& counts);

    // Shows the window and lets its start-up run; true once it polls a device that answered.
    bool startPolling(int baud);
    // Opens the chart beside the panels and records every sample into path.
    void chartAndRecord(const QString& path);
    // Ends the recording into path; the samples in the file, -1 when it could not be saved.
    qint64 endRecording(const QString& path);

    ScriptedPrompter prompter;
    ScriptedModalRunner modal;
    MainControlForm form;
};

// The real connection dialog on counted QtSerialPorts, offscreen, its settings file in a folder of
// its own; its "Search" scans the ports the simulator made.
struct BenchDialog {
    explicit BenchDialog(LineCounts& counts);

    QTemporaryDir dir;
    ScriptedPrompter prompter;
    ScriptedModalRunner modal;
    SelectComForm form;
};

// Runs the event loop, and with it the window's polling timer, for ms milliseconds; returns the
// seconds it really ran. It quits between ticks, so counts taken after it hold whole exchanges.
double runEventLoopFor(int ms);
// Runs the event loop until done() holds or ms have passed; whether done() holds.
bool runEventLoopUntil(const std::function<bool()>& done, int ms);

// Benches draw nothing a person needs to see: offscreen unless QT_QPA_PLATFORM names a platform.
// Call before the application object is made.
void preferOffscreen();
