// COM numbers given and changed in a real ports folder, with adapters from a fake inventory whose
// device nodes and by-id links are files and links in a temporary folder.
#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include "link/com_ports.h"
#include "support/fake_inventory.h"
#include "support/file_faults.h"

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

TEST_F(ComPortsTest, AFolderThatCannotBeWrittenLosesNothing) {
    const SerialAdapter a = plug("ttyUSB0", "A1");
    ports.refresh();
    ReadOnlyFolder readOnly(folder());
    if (!readOnly.refusesNewFiles()) {
        GTEST_SKIP() << "this process can write into a folder without write permission";
    }
    EXPECT_EQ(ports.assign(a.stablePath, 5),
              "Cannot remove " + folder() + "/com1: Permission denied");
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

}  // namespace
