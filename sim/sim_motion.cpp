#include "sim/sim_motion.h"

std::optional<QString> SimMotion::handle(const QString& command, qint64) {
    if (command == QLatin1String("PX")) {
        return QString::number(position);
    }
    if (command == QLatin1String("EX")) {
        return QString::number(encoder);
    }
    return std::nullopt;
}

std::optional<QString> SimMotion::advanceTo(qint64) {
    return std::nullopt;
}
