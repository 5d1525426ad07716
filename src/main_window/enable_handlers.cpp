#include "main_window/enable_handlers.h"

#include "link/number_form.h"
#include "main_window/main_session.h"

void EnableHandlers::EnableStat_Click(MainLine& m, bool ticked) {
    if (!m.values.ComStatus) {
        return;
    }
    // A reply that is no number (or none after a port failure) matches neither, so nothing is
    // written then.
    const auto enabled = readInt32(m.SendReceive(QStringLiteral("EO")));
    if (ticked && enabled == 0) {
        m.SendReceive(QStringLiteral("EO=1"));
    } else if (!ticked && enabled == 1) {
        m.SendReceive(QStringLiteral("EO=0"));
    }
}

void EnableHandlers::EnableLatch_Click(MainLine& m, bool ticked) {
    if (!m.values.ComStatus) {
        return;
    }
    m.SendReceive(ticked ? QStringLiteral("LT=1") : QStringLiteral("LT=0"));
}
