#pragma once

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <vector>

#include "link/qt_serial_port.h"
#include "ports/port_names.h"
#include "support/config_home.h"

// A pseudo-terminal whose other side is linked as COM5, the stand-in for an adapter's node, in a
// ports folder of its own. A test that needs a node of some kind passes the test for it: the
// terminals refused stay open meanwhile, so that the next one is another.
struct LinkedTerminal {
    explicit LinkedTerminal(const std::function<bool(const QString& node)>& usable = {}) {
        for (int tries = 0; tries < 16 && node.isEmpty(); ++tries) {
            master = posix_openpt(O_RDWR | O_NOCTTY);
            if (master >= 0 && grantpt(master) == 0 && unlockpt(master) == 0) {
                node = QString::fromLocal8Bit(ptsname(master));
            }
            if (!node.isEmpty() && usable && !usable(node)) {
                refused.push_back(master);
                node.clear();
            }
        }
        QDir().mkpath(portsFolder());
        linked = !node.isEmpty() && QFile::link(node, portsFolder() + "/com5");
    }
    ~LinkedTerminal() {
        for (const int fd : refused) {
            close(fd);
        }
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
    std::vector<int> refused;
    QString node;
    bool linked = false;
};
