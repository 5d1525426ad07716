#pragma once

#include <QComboBox>
#include <QString>

#include "ports/com_assignment.h"

// The connection dialog's port list shows, beside each "COMn", what it reaches:
// "COM3 → /dev/ttyUSB0 · FT232R USB UART · FTDI · A50285BI". The entries' own texts stay "COMn"
// (the settings file and the port number are taken from them); the list draws the rest.

// Gives every entry of the list what its COM number reaches in the state, and lets the list
// show it.
void showReach(QComboBox* list, const PortsState& state);
// What the list shows for the entry: its text, and what it reaches when that is known.
QString portEntryText(const QComboBox* list, int index);
