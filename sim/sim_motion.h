#pragma once

#include <QString>
#include <optional>

// The device's axis: counters, status words, inputs and outputs. Commands that concern the
// axis are answered here; everything else falls through to the parameter set.
class SimMotion {
  public:
    // The reply to an axis command, or nothing when the command is not an axis command.
    std::optional<QString> handle(const QString& command, qint64 nowMs);
    // Runs the axis up to nowMs; an auto-response line when one is due.
    std::optional<QString> advanceTo(qint64 nowMs);

    qint64 position = 0;
    qint64 encoder = 0;
};
