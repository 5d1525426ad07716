#pragma once

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include "ports/ports_folder.h"
#include "ports/serial_adapter.h"

// Which COM number reaches which serial line. The rule (README, "COM ports"):
//  - COMn is the link comN in the ports folder when there is one, whoever made it; else the
//    system's default device for n (/dev/ttyS<n-1>; on Windows COMn itself). The settings file
//    keeps "COMn" as before.
//  - An adapter that no COM number reaches, seen for the first time, gets the lowest free number:
//    the program makes comN leading to the adapter's stable path (/dev/serial/by-id/...), so the
//    adapter keeps its number in every USB socket, and the number stays its own while it is
//    unplugged (the link then leads nowhere).
//  - A number is free when the folder has no comN (a link the user made always wins, also one
//    that leads nowhere) and its default device is no port the inventory lists.
//  - An adapter the user gave no number (in the "Ports..." dialog) is left alone.
//  - Only adapters are numbered: USB adapters and lines offered in the adapters folder. A
//    built-in port (/dev/ttyS0) is reached through its default number and never gets a link,
//    which would make it a second number.
// On Windows the system names the ports itself: nothing is assigned.

inline constexpr int kFirstComNumber = 1;
inline constexpr int kLastComNumber = 15;

// What the rule looks at: the adapters present, the ports folder's links and the adapters the
// user gave no number.
struct PortsState {
    QList<SerialAdapter> adapters;
    QMap<int, ComLink> links;
    QStringList unassigned;  // stable paths

    bool operator==(const PortsState&) const = default;
};

// Whether the line is an adapter the rule numbers: a USB adapter (it has USB IDs, or udev names
// it in /dev/serial/) or a line offered in the adapters folder; either way something other than
// its device node names it, or it has USB IDs.
bool isAdapter(const SerialAdapter& line);
// Whether the link leads to the adapter: to its device node, or by naming its stable path.
bool leadsTo(const ComLink& link, const SerialAdapter& adapter);
// The number of the COM port that reaches the adapter (the lowest, when several do); 0: none.
int comNumberOf(const PortsState& state, const SerialAdapter& adapter);
// The listed adapter that COMn reaches; nullptr when it reaches none.
const SerialAdapter* adapterAt(const PortsState& state, int number);
// Whether an adapter seen for the first time may be given the number.
bool isFree(const PortsState& state, int number);
// The links to make for the adapters that no COM number reaches yet: number and stable path.
QList<ComLink> newAssignments(const PortsState& state);

// What COMn reaches, for the user: "/dev/ttyUSB0 · FT232R USB UART · FTDI · A50285BI",
// "/dev/serial/by-id/... · not plugged in", "/dev/ttyS4 · no device".
QString comReach(const PortsState& state, int number);
