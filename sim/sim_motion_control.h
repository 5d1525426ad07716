#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "sim/sim_motion.h"

// nvq-can-sim's control lines for a device's axis and its surroundings (after "<verb> <ID>"):
//   input ID N on|off    input DIN (1..6)
//   latch ID on|off      the latch input
//   limit ID +|- POS     where the + or - limit switch begins
//   home ID POS          centre of the home switch
//   index ID N           an index mark every N steps
// Returns "ok" or "error: ...", or nothing when the verb is none of these.
std::optional<QString> motionControl(SimMotion& motion, const QString& verb,
                                     const QStringList& args, qint64 nowMs);
