// Things another user may put where the program reads a small file, made real: where a serial
// lock file of the port goes (in a lock folder of the test's own, and in the system's /var/lock),
// and as the ports folder's list of adapters given no number. The window and nvq-can each end
// within a second, with their message.
#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>

#include "connect/ports_dialog.h"
#include "connect/select_com_form.h"
#include "e2e/cli_run.h"
#include "e2e/linked_terminal.h"
#include "ports/lock_files.h"
#include "support/fake_inventory.h"
#include "support/planted.h"
#include "support/sim_rig.h"

namespace {

const QString kNotAvailable =
    "Communication port not available!  Please select available communication port and try "
    "again.";
const QStringList kInfo = {"info", "--port", "5", "--baud", "9600", "--id", "1"};

// Presses Connect in the connection dialog on COM5; what the user is told, and how long it took.
struct Connected {
    QStringList messages;
    qint64 ms = 0;
};
Connected connectCom5(const QString& settingsFolder) {
    SimRig rig;
    WindowServices services{[] { return std::make_unique<SystemSerialPort>(); }, &rig.prompter,
                            &rig.modal};
    SelectComForm form(services, settingsFolder + "/nvq-can.ini");
    form.combo->setCurrentText("COM5");
    QElapsedTimer clock;
    clock.start();
    form.Connect->click();
    return {rig.prompter.messages(), clock.elapsed()};
}

// The explanation's lines as nvq-can writes them under its error.
QString asCliLines(const QString& explanation) {
    QString text;
    for (const QString& line : explanation.split('\r')) {
        text += "nvq-can: " + line + "\n";
    }
    return text;
}

// The command names the path as a shell takes it: quoted when it holds a space, as the test's
// own folders do.
QString refusal(const QString& path, const QString& problem, const QString& node) {
    return path + " is no lock file: " + problem + ". Serial programs lock " + node +
           " with a small ordinary file of that name; while this one is there, the port is not "
           "opened.\r"
           "Remove it and try again:  sudo rm -r " +
           (path.contains(' ') ? "'" + path + "'" : path);
}

// The port is not opened, and neither the window nor nvq-can reads what lies there.
TEST(PlantedFiles, WhatCannotBeALockFileIsNamedAndThePortIsNotOpened) {
    LinkedTerminal t;
    ASSERT_TRUE(t.linked);
    QTemporaryDir locks;
    const ExtraLockFolder extra(locks.path());
    const QString lock = locks.filePath(lockFileName(t.node));
    const struct {
        const char* what;
        Planted kind;
        QString path;
        const char* problem;
    } cases[] = {
        {"named pipe", Planted::NamedPipe, lock, "it is a named pipe (FIFO)"},
        {"link to /dev/zero", Planted::LinkToZero, lock, "it is a symbolic link"},
        {"folder", Planted::Folder, lock, "it is a folder"},
        {"huge file", Planted::HugeFile, lock,
         "it holds 1073741824 bytes, more than the 512 such a file may hold"},
        {"named pipe as the lock QLockFile takes to remove a stale one", Planted::NamedPipe,
         lock + ".rmlock", "it is a named pipe (FIFO)"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(plant(c.path, c.kind));
        const QString explanation = refusal(c.path, c.problem, t.node);
        {
            const Deadline deadline(5000, c.what, [&c] { removePlanted(c.path); });
            const Connected window = connectCom5(t.dir.path());
            EXPECT_EQ(window.messages, QStringList{kNotAvailable + "\r" + explanation});
            EXPECT_LT(window.ms, 1000);
        }
        const TimedCliRun cli = timedNvqCan(kInfo, 5000);
        EXPECT_EQ(cli.code, 1);
        EXPECT_EQ(cli.err, "nvq-can: cannot open COM5 (" + portsFolder() +
                               "/com5): Unusable lock file " + c.path + "\n" +
                               asCliLines(explanation));
        EXPECT_LT(cli.ms, 1000);
        removePlanted(c.path);
    }
    EXPECT_EQ(t.openFailureHelp(), "opened") << "nothing left in the way";
}

// The system's own lock folder, where QSerialPort takes its lock: a named pipe there made the
// open hang, garbage there keeps QSerialPort from locking the port. Both are named; the test's
// things go when it ends, also when it fails.
TEST(PlantedFiles, WhatLiesInTheSystemsLockFolderIsNamed) {
    if (!QFileInfo("/var/lock").isWritable()) {
        GTEST_SKIP() << "needs /var/lock writable";
    }
    // Other programs' terminals, in other containers too, may have their locks there.
    const auto noLockYet = [](const QString& node) {
        const QFileInfo entry("/var/lock/" + lockFileName(node));
        return !entry.exists() && !entry.isSymLink();
    };
    LinkedTerminal t(noLockYet);
    ASSERT_TRUE(t.linked);
    const QString lock = "/var/lock/" + lockFileName(t.node);
    const struct {
        const char* what;
        Planted kind;
        QString explanation;
    } cases[] = {
        {"named pipe", Planted::NamedPipe, refusal(lock, "it is a named pipe (FIFO)", t.node)},
        {"garbage", Planted::Garbage,
         t.node + " is locked by the file " + lock +
             ", which names no running program.\r"
             "If no other program uses the port, remove that file and try again:  sudo rm -r " +
             lock},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(plant(lock, c.kind));
        const struct Remove {
            QString path;
            ~Remove() { removePlanted(path); }
        } remove{lock};
        {
            const Deadline deadline(5000, c.what, [&lock] { removePlanted(lock); });
            const Connected window = connectCom5(t.dir.path());
            EXPECT_EQ(window.messages, QStringList{kNotAvailable + "\r" + c.explanation});
            EXPECT_LT(window.ms, 1000);
        }
        const TimedCliRun cli = timedNvqCan(kInfo, 5000);
        EXPECT_EQ(cli.code, 1);
        EXPECT_TRUE(cli.err.endsWith(asCliLines(c.explanation))) << cli.err.toStdString();
        EXPECT_LT(cli.ms, 1000);
    }
    EXPECT_FALSE(QFileInfo(lock).exists());
}

// The list is passed over and named: in "Ports..." and by nvq-can ports and scan. No adapter
// gets a number meanwhile.
TEST(PlantedFiles, AListOfAdaptersThatCannotBeReadIsNamed) {
    QTemporaryDir home;
    const ConfigHome configHome(home.path());
    QDir().mkpath(portsFolder());
    // COM15 leads nowhere, so that the scan of it ends at once.
    ASSERT_TRUE(QFile::link(home.filePath("gone"), portsFolder() + "/com15"));
    const QString list = portsFolder() + "/unassigned";
    const struct {
        const char* what;
        Planted kind;
        const char* problem;
    } cases[] = {
        {"named pipe", Planted::NamedPipe, "it is a named pipe (FIFO)"},
        {"link to /dev/zero", Planted::LinkToZero, "it is a symbolic link"},
        {"folder", Planted::Folder, "it is a folder"},
        {"huge file", Planted::HugeFile,
         "it holds 1073741824 bytes, more than the 65536 such a file may hold"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(plant(list, c.kind));
        const QString problem = list + " cannot be read: " + c.problem +
                                ". It lists the adapters given no COM number; until it is "
                                "removed, no adapter gets a new number. Remove it:  rm -r '" +
                                list + "'";  // quoted: the test's folder names hold a space
        {
            const Deadline deadline(5000, c.what, [&list] { removePlanted(list); });
            SimRig rig;
            FakeInventory inventory;
            inventory.plug({"/dev/ttyUSB0", "/dev/serial/by-id/usb-FTDI_A1", "FT232R USB UART",
                            "FTDI", "A1", 0x0403, 0x6001});
            WindowServices services = rig.services();
            services.inventory = &inventory;
            QElapsedTimer clock;
            clock.start();
            SelectComForm form(services, home.filePath("nvq-can.ini"));
            QString note;
            rig.modal.scripts.append(
                [&note](QDialog& w) { note = dynamic_cast<PortsDialog&>(w).PortsNote->text(); });
            form.Ports->click();
            EXPECT_LT(clock.elapsed(), 1000);
            EXPECT_TRUE(note.endsWith("\n\n" + problem)) << note.toStdString();
        }
        const TimedCliRun ports = timedNvqCan({"ports"}, 5000);
        EXPECT_EQ(ports.code, 0);
        EXPECT_EQ(ports.err, "nvq-can: " + problem + "\n");
        EXPECT_LT(ports.ms, 1000);
        const TimedCliRun scan = timedNvqCan({"scan", "--port", "15", "--baud", "9600"}, 5000);
        EXPECT_EQ(scan.code, 1);
        EXPECT_EQ(scan.err, "nvq-can: " + problem + "\nnvq-can: No Port Available!\n");
        EXPECT_LT(scan.ms, 1000);
        EXPECT_EQ(QDir(portsFolder()).entryList({"com*"}, QDir::AllEntries | QDir::System),
                  QStringList{"com15"});
        removePlanted(list);
    }
}

}  // namespace
