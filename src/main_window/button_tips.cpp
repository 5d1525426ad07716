#include "main_window/button_tips.h"

#include "chart/chart_panel.h"
#include "main_window/main_control_form.h"

void setButtonTips(MainControlForm& form) {
    const ControlPanel& c = form.control;
    const StatusPanel& s = form.status;
    const OnTheFlyPanel& f = form.onTheFly;
    const DioPanel& d = form.dio;
    const SyncPanel& y = form.sync;
    const std::pair<QAbstractButton*, const char*> tips[] = {
        {c.JOGP, "Jog +: speed profile, then J+"},
        {c.JOGN, "Jog -: speed profile, then J-"},
        {c.HOMEP, "Home + to the home switch: speed profile, then H+"},
        {c.HOMEN, "Home - to the home switch: speed profile, then H-"},
        {c.HOMELP, "Home + to the home switch, turning at a limit: speed profile, then HL+"},
        {c.HOMELN, "Home - to the home switch, turning at a limit: speed profile, then HL-"},
        {c.LHOMEP, "Home + to the limit switch: speed profile, then L+"},
        {c.LHOMEN, "Home - to the limit switch: speed profile, then L-"},
        {c.ZHOMEPLUS, "Home + to the home switch, then the index mark: speed profile, then ZH+"},
        {c.ZHOMEMINUS, "Home - to the home switch, then the index mark: speed profile, then ZH-"},
        {c.Command4, "Home + to the next index mark: speed profile, then Z+"},
        {c.Command3, "Home - to the next index mark: speed profile, then Z-"},
        {c.RSTOP, "Ramped stop: speed profile, then STOP"},
        {c.ISTOP, "Immediate stop: speed profile, then ABORT (Esc sends ABORT alone)"},
        {c.Datum,
         "Move to position 0, keeping the move mode: MM, ABS when in INC mode, speed profile, X0, "
         "then INC again when it was"},
        {c.abs, "Move to Position: speed profile, then X and Position"},
        {c.ABSMode, "Absolute move mode: speed profile, then ABS"},
        {c.INCMode, "Incremental move mode: speed profile, then INC"},
        {c.Command5, "Set the position counter to Position: speed profile, then PX= and Position"},
        {c.Command6, "Set the encoder counter to Position: speed profile, then EX= and Position"},
        {c.Command11, "S-curve ramps: speed profile, then SCV=1"},
        {c.Command12, "Trapezoid ramps: speed profile, then SCV=0"},
        {c.EnableStat, "Motor enable: EO, then EO=1 or EO=0 when the device differs"},
        {s.ResetPos, "Reset the position counter: speed profile, then PX=0"},
        {s.ResetEnc, "Reset the encoder counter: speed profile, then EX=0"},
        {s.clear, "Clear the error state: CLR"},
        {f.Command10, "Change the target of the move under way: T and Position"},
        {f.Command9, "Change the speed of the move under way: ACC= and Accel, then SSPD and Speed"},
        {f.Command8, "On-the-fly speed mode: SSPDM= and the mode"},
        {d.DOSet[0], "Switch output DO1 over: DO1, then DO1=1 or DO1=0"},
        {d.DOSet[1], "Switch output DO2 over: DO2, then DO2=1 or DO2=0"},
        {d.DOSet[2], "Switch output DO3 over: DO3, then DO3=1 or DO3=0"},
        {form.latch.EnableLatch, "Position latch on or off: LT=1 or LT=0"},
        {y.SyncEqual, "Sync when the position equals Sync Pos: SYNC=1 with Enable"},
        {y.SyncLessThan, "Sync when the position is below Sync Pos: SYNC=2 with Enable"},
        {y.SyncGreaterThan, "Sync when the position is above Sync Pos: SYNC=3 with Enable"},
        {y.SyncEnable,
         "Sync output on or off: SYNC= with the comparison, SYNP= and Sync Pos, then SYNO or SYNF"},
        {form.terminal.Command1, "Send the typed line to the device ID beside it, show the reply"},
        {form.Chart, "Show or hide the motion chart: it draws what polling reads, sends nothing"},
        {form.ManualTerminal,
         "Open the terminal window: polling pauses and the port goes to that window"},
        {form.Setup, "Open the parameter window: polling pauses and the port goes to that window"},
        {form.Bus,
         "Open the bus window: every device on the line polled in turn; polling here pauses and "
         "the port goes to that window"},
        {form.Command2, "Close this window: sends nothing"},
    };
    for (const auto& [button, tip] : tips) {
        button->setToolTip(QString::fromUtf8(tip));
    }
}
