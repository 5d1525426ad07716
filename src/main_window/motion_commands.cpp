#include "main_window/motion_commands.h"

#include "main_window/control_panel.h"
#include "main_window/speed_profile.h"
#include "main_window/status_panel.h"
#include "main_window/user_handler.h"

MotionCommands::MotionCommands(MainSession& session, ControlPanel& control, StatusPanel& status,
                               SpeedProfile& profile)
    : session_(session), profile_(profile), position_(control.SetPosition) {
    const struct {
        QAbstractButton* button;
        const char* command;
    } fixed[] = {
        {control.JOGP, "J+"},        {control.JOGN, "J-"},         {control.HOMEP, "H+"},
        {control.HOMEN, "H-"},       {control.HOMELP, "HL+"},      {control.HOMELN, "HL-"},
        {control.LHOMEP, "L+"},      {control.LHOMEN, "L-"},       {control.ZHOMEPLUS, "ZH+"},
        {control.ZHOMEMINUS, "ZH-"}, {control.Command4, "Z+"},     {control.Command3, "Z-"},
        {control.ABSMode, "ABS"},    {control.INCMode, "INC"},     {status.ResetPos, "PX=0"},
        {status.ResetEnc, "EX=0"},   {control.Command11, "SCV=1"}, {control.Command12, "SCV=0"},
    };
    for (const auto& f : fixed) {
        connectFixed(f.button, QLatin1String(f.command));
    }
    connectWithPosition(control.abs, QStringLiteral("X"));
    connectWithPosition(control.Command5, QStringLiteral("PX="));
    connectWithPosition(control.Command6, QStringLiteral("EX="));
    connectStop(control.RSTOP, QStringLiteral("STOP"));
    connectStop(control.ISTOP, QStringLiteral("ABORT"));
    onClick(status.clear, session_,
            [] { return [](MainLine& m) { sendStep(m, QStringLiteral("CLR")); }; });
    onClick(control.Datum, session_, [this] {
        return [this, profile = profile_.read()](MainLine& m) { Datum_Click(m, profile); };
    });
}

void MotionCommands::connectFixed(QAbstractButton* button, const QString& command) {
    onClick(button, session_, [this, command] {
        return [this, command, profile = profile_.read()](MainLine& m) {
            profile_.SendWithProfile(m, profile, command);
        };
    });
}

void MotionCommands::connectWithPosition(QAbstractButton* button, const QString& prefix) {
    // The position goes out exactly as typed; the device judges it.
    onClick(button, session_, [this, prefix] {
        return [this, command = prefix + position_->text(), profile = profile_.read()](
                   MainLine& m) { profile_.SendWithProfile(m, profile, command); };
    });
}

void MotionCommands::connectStop(QAbstractButton* button, const QString& command) {
    onClick(button, session_, [this, command] {
        return [this, command, profile = profile_.read()](MainLine& m) {
            profile_.SendStopWithProfile(m, profile, command);
        };
    });
}

void MotionCommands::Datum_Click(MainLine& m, const SpeedProfile::Values& profile) {
    const auto mode = sendStep(m, QStringLiteral("MM"));
    if (!mode) {
        return;
    }
    const bool incremental = *mode == QLatin1String("1");
    if (incremental && !sendStep(m, QStringLiteral("ABS"))) {
        return;
    }
    // A bad profile entry sends no move, but the device still gets its incremental mode back.
    profile_.SendWithProfile(m, profile, QStringLiteral("X0"));
    if (incremental) {
        sendStep(m, QStringLiteral("INC"));
    }
}
