// COM numbers given and changed in a real ports folder, with adapters from a fake inventory whose
// device nodes and by-id links are files and links in a temporary folder.
#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QTemporaryDir>
#include <functional>
#include <memory>

#include "ports/com_ports.h"
#include "support/fake_inventory.h"
#include "support/file_faults.h"
#include "support/planted.h"

namespace {

class ComPortsTest : public ::testing::Test {
  protected:
    ComPortsTest() {
        QDir().mkpath(dir.filePath("dev"));
        QDir().mkpath(dir.filePath("by-id"));
    }

    QString folder() const { return dir.filePath("ports"); }
    QString byId(const QString& serial) const {
        return dir.filePath("by-id/usb-FTDI_FT232R_USB_UART_" + serial + "-if00-port0");
    }
    // Plugs an FTDI adapter into the socket that makes it the device tty: its node and its by-id
    // link appear, and the inventory lists it.
    SerialAdapter plug(const QString& tty, const QString& serial) {
        const QString node = dir.filePath("dev/" + tty);
        putFile(node, "");
        QFile::remove(byId(serial));
        QFile::link(node, byId(serial));
        const SerialAdapter a{node,   byId(serial), "FT232R USB UART", "FTDI", serial,
                              0x0403, 0x6001};
        inventory.plug(a);
        return a;
    }
    void unplug(const QString& tty, const QString& serial) {
        QFile::remove(dir.filePath("dev/" + tty));
        QFile::remove(byId(serial));
        inventory.unplug(dir.filePath("dev/" + tty));
    }
    // Where comN leads, as the folder holds it; "" when there is no comN.
    QString linkTarget(int number) const {
        return QFileInfo(folder() + QString("/com%1").arg(number)).symLinkTarget();
    }
    QStringList links() const {
        return QDir(folder()).entryList({"com*"}, QDir::AllEntries | QDir::System, QDir::Name);
    }

    QTemporaryDir dir;
    FakeInventory inventory;
    ComPorts ports{inventory, dir.filePath("ports")};
};

TEST_F(ComPortsTest, AnAdapterKeepsItsNumberUnpluggedAndInAnotherSocket) {
    plug("ttyUSB0", "A1");
    EXPECT_TRUE(ports.refresh());
    EXPECT_EQ(links(), QStringList{"com1"});
    EXPECT_EQ(linkTarget(1), byId("A1"));

    unplug("ttyUSB0", "A1");
    ports.refresh();
    EXPECT_EQ(linkTarget(1), byId("A1"));
    EXPECT_EQ(comReach(ports.state(), 1), byId("A1") + " · not plugged in");

    plug("ttyUSB3", "A1");
    ports.refresh();
    EXPECT_EQ(links(), QStringList{"com1"});
    EXPECT_EQ(comReach(ports.state(), 1),
              dir.filePath("dev/ttyUSB3") + " · FT232R USB UART · FTDI · A1");
}

TEST_F(ComPortsTest, TwoIdenticalAdaptersAreToldApartByTheirSerialNumbers) {
    plug("ttyUSB0", "A1");
    ports.refresh();
    plug("ttyUSB1", "B2");
    ports.refresh();
    unplug("ttyUSB0", "A1");
    unplug("ttyUSB1", "B2");
    plug("ttyUSB0", "B2");  // swapped sockets
    plug("ttyUSB1", "A1");
    ports.refresh();
    EXPECT_EQ(links(), QStringList({"com1", "com2"}));
    EXPECT_EQ(comReach(ports.state(), 1),
              dir.filePath("dev/ttyUSB1") + " · FT232R USB UART · FTDI · A1");
    EXPECT_EQ(comReach(ports.state(), 2),
              dir.filePath("dev/ttyUSB0") + " · FT232R USB UART · FTDI · B2");
}

TEST_F(ComPortsTest, TheUsersOwnLinksWin) {
    QDir().mkpath(folder());
    ASSERT_TRUE(QFile::link("/dev/null", folder() + "/com1"));
    ASSERT_TRUE(QFile::link(dir.filePath("dev/ttyUSB0"), folder() + "/com4"));
    plug("ttyUSB0", "A1");  // reached by the user's com4
    plug("ttyUSB1", "B2");
    ports.refresh();
    EXPECT_EQ(links(), QStringList({"com1", "com2", "com4"}));
    EXPECT_EQ(linkTarget(1), "/dev/null");
    EXPECT_EQ(linkTarget(2), byId("B2"));
    EXPECT_EQ(linkTarget(4), dir.filePath("dev/ttyUSB0"));
}

TEST_F(ComPortsTest, AnAdapterGivenNoNumberKeepsNoneUntilGivenOne) {
    const SerialAdapter a = plug("ttyUSB0", "A1");
    ports.refresh();
    EXPECT_EQ(ports.assign(a.stablePath, 0), "");
    EXPECT_EQ(links(), QStringList());
    EXPECT_EQ(fileBytes(folder() + "/unassigned"), byId("A1").toUtf8() + "\n");
    unplug("ttyUSB0", "A1");
    plug("ttyUSB0", "A1");
    ports.refresh();
    EXPECT_EQ(links(), QStringList()) << "not given a number again when plugged in again";
    EXPECT_EQ(comNumberOf(ports.state(), a), 0);

    EXPECT_EQ(ports.assign(a.stablePath, 7), "");
    EXPECT_EQ(links(), QStringList{"com7"});
    EXPECT_EQ(linkTarget(7), byId("A1"));
    EXPECT_EQ(fileBytes(folder() + "/unassigned"), "");
    EXPECT_EQ(ports.assign(a.stablePath, 3), "") << "moved to another number";
    EXPECT_EQ(links(), QStringList{"com3"});
}

// A list written on Windows, or by hand with CR LF line ends, keeps its adapters without numbers.
TEST_F(ComPortsTest, AListWithCrLfLineEndsIsRead) {
    QDir().mkpath(folder());
    ASSERT_TRUE(putFile(folder() + "/unassigned", (byId("A1") + "\r\n").toUtf8()));
    const SerialAdapter a = plug("ttyUSB0", "A1");
    ports.refresh();
    EXPECT_EQ(links(), QStringList());
    EXPECT_EQ(comNumberOf(ports.state(), a), 0);
    EXPECT_EQ(ports.problem(), "");
}

// A list that cannot be read is never read (nor waited for), and says so; meanwhile no adapter
// gets a number it may have been refused, and the list is not written over. Another number can
// still be given by hand.
// (Each kind of planted file, through the window and nvq-can: tests/e2e/planted_files_test.)
TEST_F(ComPortsTest, AListThatCannotBeReadIsNamedAndNumbersNothing) {
    const QString list = folder() + "/unassigned";
    const struct {
        const char* what;
        Planted kind;
        const char* problem;
    } cases[] = {
        {"named pipe", Planted::NamedPipe, "it is a named pipe (FIFO)"},
        {"folder", Planted::Folder, "it is a folder"},
    };
    const SerialAdapter a = plug("ttyUSB0", "A1");
    QDir().mkpath(folder());
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(plant(list, c.kind));
        {
            const Deadline deadline(5000, c.what, [list] { removePlanted(list); });
            ports.refresh(true);
        }
        const QString problem = list + " cannot be read: " + c.problem +
                                ". It lists the adapters given no COM number; until it is "
                                "removed, no adapter gets a new number. Remove it:  rm -r '" +
                                list + "'";  // quoted: the test's folder names hold a space
        EXPECT_EQ(ports.problem(), problem);
        EXPECT_EQ(links(), QStringList());
        EXPECT_EQ(ports.assign(a.stablePath, 0), problem);
        EXPECT_EQ(ports.assign(a.stablePath, 4), "");
        EXPECT_EQ(links(), QStringList{"com4"});
        ASSERT_EQ(removeComLink(folder(), 4), "");
        removePlanted(list);
    }
    ASSERT_TRUE(putFile(list, kGarbage));
    ports.refresh(true);
    EXPECT_EQ(ports.problem(), "") << "garbage is a list of nothing";
    EXPECT_EQ(links(), QStringList{"com1"});
}

// Another program changing the numbers holds the folder's lock: nothing is decided on what the
// folder showed before, as that program may be half-way (an adapter's old link removed, its new
// one not made yet).
TEST_F(ComPortsTest, NumbersAreGivenOnlyUnderTheFoldersLock) {
    const SerialAdapter a = plug("ttyUSB0", "A1");
    QDir().mkpath(folder());
    ports.lockWaitMs = 50;
    {
        QLockFile other(folder() + "/.lock");
        ASSERT_TRUE(other.tryLock(0));
        ports.refresh(true);
        EXPECT_EQ(links(), QStringList()) << "no number while another program holds the folder";
        EXPECT_EQ(ports.assign(a.stablePath, 3),
                  "Another program is changing the COM numbers in " + folder() + " (process " +
                      QString::number(QCoreApplication::applicationPid()) +
                      "); try again in a moment.");
        EXPECT_EQ(links(), QStringList());
    }
    ports.refresh(true);
    EXPECT_EQ(links(), QStringList{"com1"});
    ASSERT_TRUE(plant(folder() + "/.lock", Planted::NamedPipe));
    const Deadline deadline(5000, "a named pipe as the folder's lock");
    EXPECT_EQ(ports.assign(a.stablePath, 3),
              "The lock of the ports folder, " + folder() +
                  "/.lock, cannot be used: it is a named pipe (FIFO). Remove it:  rm -r '" +
                  folder() + "/.lock'");
}

// A new link is made under a name of its own: what another program left, or makes at the same
// time, under a temporary name is not touched.
TEST_F(ComPortsTest, ANewLinkIsMadeUnderANameNoOtherProgramUses) {
    const SerialAdapter a = plug("ttyUSB0", "A1");
    QDir().mkpath(folder());
    ASSERT_TRUE(QDir().mkdir(folder() + "/.com3.new"));
    EXPECT_EQ(ports.assign(a.stablePath, 3), "");
    EXPECT_EQ(linkTarget(3), byId("A1"));
    EXPECT_EQ(
        QDir(folder()).entryList(
            QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name),
        QStringList({".com3.new", "com3"}));
}

TEST_F(ComPortsTest, AFolderThatCannotBeWrittenLosesNothing) {
    const SerialAdapter a = plug("ttyUSB0", "A1");
    ports.refresh();
    ReadOnlyFolder readOnly(folder());
    if (!readOnly.refusesNewFiles()) {
        GTEST_SKIP() << "this process can write into a folder without write permission";
    }
    // The folder's lock is the first thing it refuses.
    EXPECT_EQ(ports.assign(a.stablePath, 5), "Cannot write in " + folder() + ": Permission denied");
    EXPECT_EQ(links(), QStringList{"com1"});
    EXPECT_EQ(linkTarget(1), byId("A1"));
}

// The dialog asks every second: when nothing changed, the inventory is not asked for its
// adapters (the costly part) and the folder is not read.
TEST_F(ComPortsTest, LooksAgainOnlyWhenSomethingChanged) {
    plug("ttyUSB0", "A1");
    EXPECT_TRUE(ports.refresh());
    const int lookups = inventory.lookups;
    EXPECT_FALSE(ports.refresh());
    EXPECT_FALSE(ports.refresh());
    EXPECT_EQ(inventory.lookups, lookups);

    ASSERT_TRUE(QFile::link("/dev/null", folder() + "/com9"));  // made by hand meanwhile
    EXPECT_TRUE(ports.refresh());
    EXPECT_EQ(comReach(ports.state(), 9), "/dev/null");
}

// A network port is changed only when the folder still holds what the user saw: what another
// program (or the user, by hand) put there meanwhile is never overwritten or removed.
TEST_F(ComPortsTest, NetworkPortsChangeOnlyWhatIsStillTheirs) {
    const NetworkAddress raw{NetworkProtocol::RawTcp, "10.0.0.7", 502};
    std::unique_ptr<QLockFile> other;  // another program's hold on the folder
    struct Case {
        const char* name;
        std::function<void()> meanwhile;
        std::function<QString()> change;
        QString error;  // %1: the ports folder
        QStringList after;
    };
    const QString a1 = "com1 -> " + byId("A1");
    const QString gw3 = "com3: rfc2217://cabinet-gw:4001\n";
    const QList<Case> cases = {
        {"added",
         [] {},
         [&] { return ports.addNetwork(4, raw); },
         "",
         {a1, gw3, "com4: tcp://10.0.0.7:502\n"}},
        {"added on a number taken meanwhile",
         [&] { QFile::link("/dev/null", folder() + "/com4"); },
         [&] { return ports.addNetwork(4, raw); },
         "COM4 is not free any more: it reaches /dev/null.",
         {a1, gw3, "com4 -> /dev/null"}},
        {"moved",
         [] {},
         [&] { return ports.moveNetwork(3, 6); },
         "",
         {a1, "com6: rfc2217://cabinet-gw:4001\n"}},
        {"moved onto a number taken meanwhile",
         [&] { putFile(folder() + "/com6", "tcp://127.0.0.1:7\n"); },
         [&] { return ports.moveNetwork(3, 6); },
         "COM6 is not free any more: it reaches tcp://127.0.0.1:7.",
         {a1, gw3, "com6: tcp://127.0.0.1:7\n"}},
        {"removed", [] {}, [&] { return ports.removeNetwork(3); }, "", {a1}},
        {"removed after it became a link",
         [&] {
             QFile::remove(folder() + "/com3");
             QFile::link("/dev/null", folder() + "/com3");
         },
         [&] { return ports.removeNetwork(3); },
         "COM3 is no network port any more: it reaches /dev/null.",
         {a1, "com3 -> /dev/null"}},
        {"moved while another program holds the folder",
         [&] {
             other = std::make_unique<QLockFile>(folder() + "/.lock");
             other->tryLock(0);
         },
         [&] { return ports.moveNetwork(3, 6); },
         "Another program is changing the COM numbers in %1 (process " +
             QString::number(QCoreApplication::applicationPid()) + "); try again in a moment.",
         {a1, gw3}},
    };
    plug("ttyUSB0", "A1");
    ports.lockWaitMs = 50;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        other.reset();
        QDir(folder()).removeRecursively();
        QDir().mkpath(folder());
        ASSERT_TRUE(putFile(folder() + "/com3", "rfc2217://cabinet-gw:4001\n"));
        ports.refresh(true);
        c.meanwhile();
        EXPECT_EQ(c.change(), c.error.contains("%1") ? c.error.arg(folder()) : c.error);
        QStringList after;
        for (const QString& name : links()) {
            const QFileInfo info(folder() + "/" + name);
            after << (info.isSymLink() ? name + " -> " + info.symLinkTarget()
                                       : name + ": " + fileBytes(info.filePath()));
        }
        EXPECT_EQ(after, c.after);
    }
}

}  // namespace
