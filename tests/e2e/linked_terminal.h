#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "link/port_names.h"
#include "link/qt_serial_port.h"
#include "support/config_home.h"

// A pseudo-terminal whose other side is linked as COM5, the stand-in for an adapter's node, in a
// ports folder of its own.
struct LinkedTerminal {
    LinkedTerminal() {
        master = posix_openpt(O_RDWR | O_NOCTTY);
        if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) {
            node = QString::fromLocal8Bit(ptsname(master));
        }
        QDir().mkpath(portsFolder());
        linked = !node.isEmpty() && QFile::link(node, portsFolder() + "/com5");
    }
    ~LinkedTerminal() {
        if (master >= 0) {
            close(master);
        }
    }
    LinkedTerminal(const LinkedTerminal&) = delete;
    LinkedTerminal& operator=(const LinkedTerminal&) = delete;

    // Opens COM5 as the program does; what it says about the failure ("opened" when it worked).
    QString openFailureHelp() {
        QtSerialPort port;
        try {
            openPort(port, 5, "9600");
            return "opened";
        } catch (const PortError&) {
            return port.openFailureHelp();
        }
    }

    QTemporaryDir dir;
    ConfigHome home{dir.path()};
    int master = -1;
    QString node;
    bool linked = false;
};
