#pragma once

#include <QJsonObject>
#include <QString>
#include <QStringList>
#include <array>
#include <optional>

#include "monitor/status_cycle.h"

// The status of a device as the command line prints it: decoded for a person, as JSON, as CSV.

inline const QStringList kInputs{"DI1", "DI2", "DI3", "DI4", "DI5", "DI6"};
inline const QStringList kOutputs{"DO1", "DO2", "DO3"};

// The lamps that are on, by their labels; "-" when none is.
template <size_t N>
QString lampsOn(const std::array<bool, N>& lamps, const QStringList& labels) {
    QStringList on;
    for (size_t i = 0; i < N; ++i) {
        if (lamps[i]) {
            on << labels[static_cast<qsizetype>(i)];
        }
    }
    return on.isEmpty() ? QStringLiteral("-") : on.join(QLatin1Char(' '));
}

QString onOff(bool on);
QString motionText(const MotionStatus& m);
// One reply as the status panel would show it.
QString decoded(const QString& command, const QString& reply, const DeviceStatus& s);
// The value, or "" when it was never read.
QString valueText(const std::optional<QString>& value);
QJsonObject statusJson(const DeviceStatus& s);
// The CSV header and a row: "ms", the device's "id" when one is given (a bus of them), whether
// it communicates, then the status.
QString csvHeader(bool withId);
QString csvRow(qint64 ms, const QString& id, bool communicating, const DeviceStatus& s);
