#pragma once

#include <QString>
#include <QStringList>

#include "device/parameter_set.h"

class DeviceSession;

enum class DownloadEnd {
    Done,     // every step ran; "Download Done!" was said
    Refused,  // the port or the device was not open: nothing was sent
    Failed,   // a command failed or a reply could not be used; said why already
};

// Writes the set to the device: stops the axis, writes the ordinary parameters, offers the
// communication settings (each asked first, see communication_settings.h), writes the rest and
// says "Download Done!". Ends at the first command that fails, after the exchange's own message.
// A declined change of a communication setting puts the device's own value into the set.
// Nothing is stored in flash and nothing is read back.
DownloadEnd downloadParameters(DeviceSession& session, ParameterSet& set);

// The commands before the communication settings, and after them.
QStringList leadingCommands(const ParameterSet& set);
QStringList trailingCommands(const ParameterSet& set);
