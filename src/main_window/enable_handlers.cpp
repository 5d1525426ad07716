#include "main_window/enable_handlers.h"

#include "link/number_form.h"
#include "main_window/control_panel.h"
#include "main_window/latch_panel.h"
#include "main_window/main_session.h"

EnableHandlers::EnableHandlers(MainSession& session, ControlPanel& control, LatchPanel& latch)
    : session_(session), control_(control), latch_(latch) {}

void EnableHandlers::EnableStat_Click() {
    if (!session_.values.ComStatus) {
        return;
    }
    const bool ticked = control_.EnableStat->isChecked();
    // A reply that is no number (or none after a port failure) matches neither, so nothing is
    // written then.
    const auto enabled = readInt32(session_.SendReceive(QStringLiteral("EO")));
    if (ticked && enabled == 0) {
        session_.SendReceive(QStringLiteral("EO=1"));
    } else if (!ticked && enabled == 1) {
        session_.SendReceive(QStringLiteral("EO=0"));
    }
}

void EnableHandlers::EnableLatch_Click() {
    if (!session_.values.ComStatus) {
        return;
    }
    session_.SendReceive(latch_.EnableLatch->isChecked() ? QStringLiteral("LT=1")
                                                         : QStringLiteral("LT=0"));
}
