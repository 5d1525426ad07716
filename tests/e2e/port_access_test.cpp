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
#include "e2e/cli_run.h"
#include "e2e/linked_terminal.h"
#include "support/file_faults.h"
#include "support/sim_rig.h"

namespace {

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
    WindowServices services{[] { return std::make_unique<SystemSerialPort>(); }, &rig.prompter,
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
    // nvq-can as that user would run it: root without a single capability.
    const TimedCliRun cli =
        timedNvqCan({"info", "--port", "5", "--baud", "9600", "--id", "1"}, 10000,
                    {"setpriv", "--bounding-set=-all", "--inh-caps=-all", "--ambient-caps=-all"});
    EXPECT_EQ(cli.code, 1);
    EXPECT_EQ(cli.err, "nvq-can: cannot open COM5 (" + portsFolder() +
                           "/com5): Permission denied\n"
                           "nvq-can: You may not use " +
                           t.node + ": it belongs to the group dialout, and your user " + user +
                           " is not in that group.\n"
                           "nvq-can: To join it, run:  sudo usermod -aG dialout " +
                           user +
                           "\n"
                           "nvq-can: then log out and log in again (a new group counts from the "
                           "next login).\n");
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
        const TimedCliRun cli = timedNvqCan({"info", "--port", "5", "--baud", "9600", "--id", "1"});
        EXPECT_EQ(cli.code, 1);
        EXPECT_EQ(cli.err, QString("nvq-can: cannot open COM5 (%1/com5): Permission error while "
                                   "locking the device\n"
                                   "nvq-can: %2 is in use by another program: hold_port (process "
                                   "%3).\n"
                                   "nvq-can: Close that program and try again.\n")
                               .arg(portsFolder(), t.node, QString::number(holder.processId())));
        holder.closeWriteChannel();
        EXPECT_TRUE(holder.waitForFinished(5000));
        EXPECT_EQ(t.openFailureHelp(), "opened") << "free again";
    }
}

}  // namespace
