// The simulator reached as an adapter that the program gives a COM number itself: no link made by
// hand, the scan reaches it.
#include <gtest/gtest.h>

#include <QFileInfo>

#include "connect/port_list.h"
#include "e2e/e2e_rig.h"
#include "ports/port_inventory.h"
#include "ports/port_names.h"
#include "support/fake_inventory.h"

namespace {

// The system's own inventory finds the line the simulator offers in the adapters folder; the
// dialog gives it the lowest number no port of this machine has.
TEST(Adapters, SearchAllFindsALineOfferedToTheInventory) {
    SystemPortInventory inventory;
    RealDialog d({"--offer", "--port", "1", "--device", "3:19200"}, &inventory);
    ASSERT_TRUE(d.sim.started());
    const QString pts = QFileInfo(adaptersFolder() + "/nvq-can-sim-1").canonicalFilePath();
    ASSERT_TRUE(pts.startsWith("/dev/pts/"));
    int number = 0;
    for (int i = 0; i < d.form.combo->count(); ++i) {
        if (portEntryText(d.form.combo, i) ==
            QString("COM%1 → %2 · nvq-can-sim-1").arg(i + 1).arg(pts)) {
            number = i + 1;
        }
    }
    ASSERT_GT(number, 0) << "the line shows in the port list";
    EXPECT_TRUE(d.search(true));
    EXPECT_EQ(d.prompter.messages(),
              QStringList{QString("Found on Com Port:%1 Baud:19200 ID:03\r\n").arg(number)});
}

// An adapter plugged in just before "Search" (the dialog's timer has not looked yet) is given a
// number and reached through its stable path, here the link the simulator makes in a folder of
// its own.
TEST(Adapters, SearchReachesAnAdapterPluggedInAMomentAgo) {
    QTemporaryDir byId;
    FakeInventory inventory;
    RealDialog d({"--ports-dir", byId.path(), "--port", "1", "--device", "2"}, &inventory);
    ASSERT_TRUE(d.sim.started());
    const QString stablePath = byId.filePath("com1");
    const QString pts = QFileInfo(stablePath).canonicalFilePath();
    inventory.plug({pts, stablePath, "USB-RS485 Cable", "FTDI", "FT4ZX9PQ", 0x0403, 0x6001});
    EXPECT_TRUE(d.search(false));
    EXPECT_EQ(d.prompter.messages(), QStringList{"NVQ-CAN Found on Port:1 Baud:9600 ID:02"});
    EXPECT_EQ(d.selection(), QStringList({"COM1", "9600", "02"}));
    EXPECT_EQ(d.form.PortPath->text(), pts + " · USB-RS485 Cable · FTDI · FT4ZX9PQ");
    EXPECT_EQ(QFileInfo(portsFolder() + "/com1").symLinkTarget(), stablePath);
}

}  // namespace
