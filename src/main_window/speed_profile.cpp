#include "main_window/speed_profile.h"

#include "link/number_form.h"
#include "main_window/control_panel.h"
#include "main_window/entry_report.h"
#include "main_window/user_handler.h"

SpeedProfile::SpeedProfile(MainSession& session, ControlPanel& control, Prompter& prompter)
    : session_(session),
      prompter_(prompter),
      entries_{{{"HSPD", "HSPD=", control.SetSpeed},
                {"LSPD", "LSPD=", control.LSpeed},
                {"Accel", "ACC=", control.Accel},
                {"Decel", "DEC=", control.Decel}}} {}

SpeedProfile::End SpeedProfile::sendEntries(const Entry*& bad) {
    for (const Entry& entry : entries_) {
        const auto value = wholeNumberText(entry.box->text());
        if (!value) {
            bad = &entry;
            return End::BadEntry;
        }
        if (!sendStep(session_, QLatin1String(entry.prefix) + *value)) {
            return End::PortLost;
        }
    }
    return End::Complete;
}

void SpeedProfile::report(const Entry& bad) {
    reportBadEntry(prompter_, QLatin1String(bad.label), bad.box);
}

bool SpeedProfile::SendSpeedProfile() {
    const Entry* bad = nullptr;
    const End end = sendEntries(bad);
    if (end == End::BadEntry) {
        report(*bad);
    }
    return end == End::Complete;
}

bool SpeedProfile::SendWithProfile(const QString& command) {
    return SendSpeedProfile() && sendStep(session_, command).has_value();
}

void SpeedProfile::SendStopWithProfile(const QString& command) {
    const Entry* bad = nullptr;
    if (sendEntries(bad) == End::PortLost) {
        return;
    }
    if (sendStep(session_, command) && bad) {
        report(*bad);
    }
}
