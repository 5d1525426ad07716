#pragma once

#include "device/parameter_set.h"

class DeviceSession;

// The five settings that decide how the device is reached: method, device ID, node ID, serial
// baud rate, CAN bit rate (steps 17 to 21 of a download). Each is read from the device first
// and written only when it differs from the set's value and the reporter confirms; a declined
// method or ID puts the device's own value into the set. None takes effect before the device has
// stored it and been switched off and on; the messages say so. False when a query or a write
// failed and the download must end; a declined or refused change is not a failure.
bool applyCommunicationSettings(DeviceSession& session, ParameterSet& set);
