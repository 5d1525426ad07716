#pragma once

#include <QString>

// Where COMn lives on this machine. On Windows it is the system's COMn. Elsewhere it is the link
// "comN" in the ports folder when that exists (a user points it at /dev/ttyUSB0, say, or the
// program at an adapter it gave that number, see com_assignment.h), also while its adapter is
// unplugged, else /dev/ttyS<N-1>.
QString portsFolder();
QString portDevicePath(int number);
// The device COMn names when the ports folder has no link for it.
QString defaultPortDevice(int number);

// Serial lines that are no USB adapter (a pseudo-terminal, say) are offered to the program as
// links in this folder; the port inventory lists each one as an adapter named like its link.
QString adaptersFolder();
