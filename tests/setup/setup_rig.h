#pragma once

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>
#include <memory>

#include "setup/setup_parameters.h"
#include "support/engine_settle.h"
#include "support/sim_rig.h"

// A setup window on COM1 with device 05 behind it, opened as the main window hands it over.
struct SetupRig {
    SetupRig() : device(&rig.addDevice(1, 5)) {}

    // Loads the window and lets its opening upload run to its end.
    SetupParameters& open(bool portOpen = true, bool deviceAnswered = true) {
        window = std::make_unique<SetupParameters>(rig.services());
        window->values() = {"05", "9600", 1, portOpen, deviceAnswered};
        window->load();
        EXPECT_TRUE(settleEngines());
        return *window;
    }

    SetupControls& controls() { return window->controls; }

    // Forgets what was written and said so far.
    void forget() {
        rig.takeLines();
        rig.prompter.clear();
    }

    // The device answers the commands normally, then the next command with exactly these bytes
    // ("" for silence, "\r" for an empty reply).
    void answerThen(const QStringList& commands, const QByteArray& last) {
        // A twin with the same parameter set works out what the device would answer.
        SimDevice copy(device->id(), device->baud());
        copy.values = device->values;
        copy.identity = device->identity;
        copy.version = device->version;
        for (const QString& c : commands) {
            device->faults.rawReplies << copy.handle(c, 0).value_or(QString()).toLatin1() + "\r";
        }
        device->faults.rawReplies << last;
    }

    SimRig rig;
    SimDevice* device;
    std::unique_ptr<SetupParameters> window;
};

// The upload's queries, in order.
inline QStringList uploadQueries() {
    return {"EDO", "ID",   "DB",   "BR",     "DN",     "NID", "POL",  "LCA",
            "CM",  "CURR", "CURI", "CURT",   "SLT",    "SLE", "SLA",  "SLR",
            "SLH", "SLI",  "SL",   "DOBOOT", "EOBOOT", "AR",  "EDEC", "RZ"};
}

// What a download of a freshly uploaded default device sends, in order.
inline QStringList defaultDownload() {
    return {"SR=0",      "ABORT",    "EDO=0",    "POL=0",  "RT=0",    "LCA=300", "SL=0",
            "CURR=1500", "CURI=500", "CURT=500", "SLT=10", "SLE=500", "SLA=3",   "SLR=2",
            "SLH=1000",  "SLI=100",  "CM",       "DN",     "NID",     "DB",      "BR",
            "DOBOOT=0",  "EOBOOT=0", "EDEC=0",   "RZ=0"};
}

// The seven polarity signals, each with its bit of "POL" and its Low and High option.
struct PolaritySignal {
    int bit;
    QRadioButton* PolarityPanel::*low;
    QRadioButton* PolarityPanel::*high;
};
inline const PolaritySignal kPolaritySignals[] = {
    {1, &PolarityPanel::PulsePolLow, &PolarityPanel::PulsePolHigh},
    {2, &PolarityPanel::DirPolLow, &PolarityPanel::DirPolHigh},
    {16, &PolarityPanel::LimitPolLow, &PolarityPanel::LimitPolHigh},
    {32, &PolarityPanel::HomePolLow, &PolarityPanel::HomePolHigh},
    {64, &PolarityPanel::LatchPolLow, &PolarityPanel::LatchPolHigh},
    {128, &PolarityPanel::InPosPolLow, &PolarityPanel::InPosPolHigh},
    {256, &PolarityPanel::AlarmPolLow, &PolarityPanel::AlarmPolHigh},
};

// The queries up to and without the given one.
inline QStringList queriesBefore(const QString& key) {
    const QStringList all = uploadQueries();
    return all.mid(0, all.indexOf(key));
}
