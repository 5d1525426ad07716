#pragma once

#include <QStringList>

#include <memory>
#include "support/qt_printers.h"

#include "sim/sim_port.h"
#include "widgets/modal_runner.h"
#include "widgets/scripted_prompter.h"
#include "widgets/window_services.h"

// The scripted prompter that also keeps each file dialog as its kind, title, filter and preset
// file name.
struct DialogRecordingPrompter : ScriptedPrompter {
    std::optional<QString> saveFileName(const QString& title, const QString& filter,
                                        const QString& preset) override {
        dialogs << QStringList{"save", title, filter, preset};
        return ScriptedPrompter::saveFileName(title, filter, preset);
    }
    std::optional<QString> openFileName(const QString& title, const QString& filter,
                                        const QString& preset) override {
        dialogs << QStringList{"open", title, filter, preset};
        return ScriptedPrompter::openFileName(title, filter, preset);
    }
    void clear() {
        ScriptedPrompter::clear();
        dialogs.clear();
    }
    QList<QStringList> dialogs;
};

// Everything a window test needs: simulated COM ports on a virtual clock, a scripted prompter
// and a scripted modal runner, wired into WindowServices.
struct SimRig {
    SimRig();

    // A COM port with one device on it.
    SimDevice& addDevice(int port, int id, int baud = 9600);

    WindowServices services();
    // Lines written so far (without CR), once the line engines have settled; then forgets them.
    QStringList takeLines(int port = 0);

    SimHub hub;
    DialogRecordingPrompter prompter;
    ScriptedModalRunner modal;
};

// What the user is told when the port goes away under an exchange,
inline const QString kIoError = "Communication Error! Input/output error";
// when a window touches its port again after that,
inline const QString kNotOpenError = "Communication Error! Port is not open";
// and when the main window gives its port up.
inline const QString kSelectAnotherPort =
    "Communication port not available!  Please select available communication port and try "
    "again.";

// "@" + two-digit ID + command, for expected wire lines.
QStringList framed(const QString& address, const QStringList& commands);
