// Ports that cannot be opened, made real: a device node the user may not use, and one that
// another program holds. The stand-in for the adapter's node is a pseudo-terminal's.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <grp.h>
#include <pwd.h>
#include <stdlib.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "connect/select_com_form.h"
#include "link/port_names.h"
#include "link/qt_serial_port.h"
#include "support/config_home.h"
#include "support/file_faults.h"
#include "support/sim_rig.h"

namespace {

// A pseudo-terminal whose other side is linked as COM5.
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

QString userName() {
    const passwd* pw = getpwuid(geteuid());
    return pw ? QString::fromLocal8Bit(pw->pw_name) : QString();
}

// The node belongs to nobody and the group dialout, which may use it; the user is not in it.
// The main window's message keeps its text and explains on further lines.
TEST(PortAccess, APortTheUserMayNotUseIsExplained) {
    LinkedTerminal t;
    ASSERT_TRUE(t.linked);
    const group* dialout = getgrnam("dialout");
    if (!dialout || chown(t.node.toLocal8Bit().constData(), 65534, dialout->gr_gid) != 0 ||
        chmod(t.node.toLocal8Bit().constData(), 0660) != 0) {
        GTEST_SKIP() << "needs root and a dialout group to give the node away";
    }
    const QString user = userName();
    ASSERT_FALSE(user.isEmpty());
    SimRig rig;
    WindowServices services{[] { return std::make_unique<QtSerialPort>(); }, &rig.prompter,
                            &rig.modal};
    SelectComForm form(services, t.dir.filePath("nvq-can.ini"));
    form.combo->setCurrentText("COM5");
    {
        WithoutCapabilities asAUser(kPermissionOverrides);
        form.Connect->click();
    }
    EXPECT_EQ(rig.prompter.messages(),
              QStringList{"Communication port not available!  Please select available "
                          "communication port and try again.\r"
                          "You may not use " +
                          t.node + ": it belongs to the group dialout, and your user " + user +
                          " is not in that group.\r"
                          "To join it, run:  sudo usermod -aG dialout " +
                          user +
                          "\r"
                          "then log out and log in again (a new group counts from the next "
                          "login)."});
}

// Another program holds the port: one that set it for exclusive use and holds it as its
// standard input (as a modem manager may), and one that also locked it as serial programs do.
TEST(PortAccess, APortHeldByAnotherProgramNamesIt) {
    {
        LinkedTerminal t;
        ASSERT_TRUE(t.linked);
        const int fd = open(t.node.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(ioctl(fd, TIOCEXCL), 0);
        QProcess sleeper;
        sleeper.setStandardInputFile(t.node);
        sleeper.start("sleep", {"30"});
        ASSERT_TRUE(sleeper.waitForStarted(5000));
        close(fd);
        {
            WithoutCapabilities asAUser({CAP_SYS_ADMIN});  // root may open it nonetheless
            EXPECT_EQ(t.openFailureHelp(),
                      QString("%1 is in use by another program: sleep (process %2).\r"
                              "Close that program and try again.")
                          .arg(t.node)
                          .arg(sleeper.processId()));
        }
        sleeper.kill();
        sleeper.waitForFinished(5000);
    }
    {
        LinkedTerminal t;
        ASSERT_TRUE(t.linked);
        QProcess holder;
        holder.start(NVQ_HOLD_PORT_PATH, {t.node});
        ASSERT_TRUE(holder.waitForReadyRead(5000));
        ASSERT_EQ(holder.readAllStandardOutput(), "held\n");
        EXPECT_EQ(t.openFailureHelp(), QString("%1 is in use by another program: hold_port "
                                               "(process %2).\r"
                                               "Close that program and try again.")
                                           .arg(t.node)
                                           .arg(holder.processId()));
        holder.closeWriteChannel();
        EXPECT_TRUE(holder.waitForFinished(5000));
        EXPECT_EQ(t.openFailureHelp(), "opened") << "free again";
    }
}

}  // namespace
