#pragma once

#include <QString>

// Where COMn lives on this machine. On Windows it is the system's COMn. Elsewhere it is the link
// "comN" in the ports folder when that exists (a user points it at /dev/ttyUSB0, say), also
// while its adapter is unplugged, else /dev/ttyS<N-1>.
QString portsFolder();
QString portDevicePath(int number);
