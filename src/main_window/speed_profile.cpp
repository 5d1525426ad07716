#include "main_window/speed_profile.h"

#include "link/number_form.h"
#include "main_window/control_panel.h"
#include "main_window/entry_report.h"
#include "main_window/user_handler.h"

SpeedProfile::SpeedProfile(ControlPanel& control)
    : entries_{{{"HSPD", "HSPD=", control.SetSpeed},
                {"LSPD", "LSPD=", control.LSpeed},
                {"Accel", "ACC=", control.Accel},
                {"Decel", "DEC=", control.Decel}}} {}

SpeedProfile::Values SpeedProfile::read() const {
    Values values;
    for (size_t i = 0; i < entries_.size(); ++i) {
        values[i] = entries_[i].box->text();
    }
    return values;
}

SpeedProfile::End SpeedProfile::sendEntries(MainLine& m, const Values& values, int& bad) {
    for (size_t i = 0; i < entries_.size(); ++i) {
        const auto value = wholeNumberText(values[i]);
        if (!value) {
            bad = static_cast<int>(i);
            return End::BadEntry;
        }
        if (!sendStep(m, QLatin1String(entries_[i].prefix) + *value)) {
            return End::PortLost;
        }
    }
    return End::Complete;
}

void SpeedProfile::report(MainLine& m, const Values& values, int bad) {
    const Entry& entry = entries_[static_cast<size_t>(bad)];
    reportBadEntry(m, QLatin1String(entry.label), values[static_cast<size_t>(bad)], entry.box);
}

bool SpeedProfile::SendSpeedProfile(MainLine& m, const Values& values) {
    int bad = -1;
    const End end = sendEntries(m, values, bad);
    if (end == End::BadEntry) {
        report(m, values, bad);
    }
    return end == End::Complete;
}

bool SpeedProfile::SendWithProfile(MainLine& m, const Values& values, const QString& command) {
    return SendSpeedProfile(m, values) && sendStep(m, command).has_value();
}

void SpeedProfile::SendStopWithProfile(MainLine& m, const Values& values, const QString& command) {
    int bad = -1;
    if (sendEntries(m, values, bad) == End::PortLost) {
        return;
    }
    if (sendStep(m, command) && bad >= 0) {
        report(m, values, bad);
    }
}
