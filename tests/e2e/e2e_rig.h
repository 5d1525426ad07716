#pragma once

#include <QTemporaryDir>
#include <functional>

#include "connect/search_com.h"
#include "connect/select_com_form.h"
#include "e2e/sim_process.h"
#include "link/system_port.h"
#include "support/engine_settle.h"
#include "support/sim_rig.h"

// The program's connection dialog on the real serial ports, against the simulator, with the
// serial lines the inventory lists (none when null). Child windows run their scripts as
// ScriptedModalRunner shows them.
struct RealDialog {
    explicit RealDialog(const QStringList& args, PortInventory* inventory = nullptr)
        : sim(args),
          services{[] { return std::make_unique<SystemSerialPort>(); }, &prompter, &modal,
                   inventory} {}

    // Clicks "Search" or "Search all" and runs the scan window's ticks back to back rather than
    // 100 ms apart, each step to its end, calling beforeTick first; true when the scan window
    // closed by itself.
    bool search(bool all, const std::function<void(const SearchCom&)>& beforeTick = {}) {
        bool endedItself = false;
        modal.scripts.append([&](QDialog& window) {
            auto& scan = dynamic_cast<SearchCom&>(window);
            for (int i = 0; i < 2000 && scan.isVisible(); ++i) {
                if (beforeTick) {
                    beforeTick(scan);
                }
                scan.StatusTimer_Timer();
                settleEngines();
            }
            endedItself = !scan.isVisible();
        });
        (all ? form.SearchAllNVQ : form.SearchNVQ)->click();
        return endedItself;
    }
    // The port, baud rate and ID the dialog shows.
    QStringList selection() const {
        return {form.combo->currentText(), form.baudCom->currentText(),
                form.DeviceIDCombo->currentText()};
    }

    SimProcess sim;
    QTemporaryDir dir;
    ScriptedPrompter prompter;
    ScriptedModalRunner modal;
    WindowServices services;
    SelectComForm form{services, dir.filePath("nvq-can.ini")};
};
