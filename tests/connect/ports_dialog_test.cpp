// The connection dialog's port list and the "Ports..." dialog, with adapters from a fake
// inventory and the program's ports folder in a temporary folder.
#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>

#include "connect/network_port_dialog.h"
#include "connect/port_list.h"
#include "connect/ports_dialog.h"
#include "connect/select_com_form.h"
#include "ports/port_names.h"
#include "support/config_home.h"
#include "support/fake_inventory.h"
#include "support/file_faults.h"
#include "support/sim_rig.h"

namespace {

const QString kA50 = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0";
const QString kFt4 = "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_FT4ZX9PQ-if00-port0";

SerialAdapter ftdi(const QString& tty, const QString& stablePath, const QString& serial) {
    return {"/dev/" + tty, stablePath, "FT232R USB UART", "FTDI", serial, 0x0403, 0x6001};
}

struct PortsRig {
    PortsRig() {
        services.inventory = &inventory;
        inventory.plug({"/dev/ttyS0", "/dev/ttyS0", "", "", "", std::nullopt, std::nullopt});
        inventory.plug(ftdi("ttyUSB0", kA50, "A50285BI"));
    }
    // What the open port list shows, entry by entry.
    QStringList entries(const SelectComForm& form) const {
        QStringList shown;
        for (int i = 0; i < form.combo->count(); ++i) {
            shown << portEntryText(form.combo, i);
        }
        return shown;
    }
    QString link(int number) const {
        return QFileInfo(portsFolder() + QString("/com%1").arg(number)).symLinkTarget();
    }
    // What comN holds, byte for byte; "<none>" when there is no such file.
    QByteArray entry(int number) const {
        QFile file(portsFolder() + QString("/com%1").arg(number));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<none>");
    }
    // Runs the script in the "Ports..." dialog when the button opens it.
    void inPortsDialog(SelectComForm& form, const std::function<void(PortsDialog&)>& script) {
        rig.modal.scripts.append([script](QDialog& w) { script(dynamic_cast<PortsDialog&>(w)); });
        form.Ports->click();
    }

    QTemporaryDir dir;
    ConfigHome home{dir.path()};
    SimRig rig;
    FakeInventory inventory;
    WindowServices services = rig.services();
};

class PortsDialogTest : public ::testing::Test, protected PortsRig {};

// What a tooltip shows: Qt reads one that looks like rich text as rich text.
QString shownToolTip(const QString& tip) {
    if (!Qt::mightBeRichText(tip)) {
        return tip;
    }
    QTextDocument shown;
    shown.setHtml(tip);
    return shown.toPlainText();
}

// What an adapter says of itself is text, never markup: the label under the list, the list's and
// the label's tooltips and every cell of "Ports..." show it as it is.
TEST_F(PortsDialogTest, AnAdaptersOwnWordsAreShownAsTheyAre) {
    SelectComForm form(services, dir.filePath("nvq-can.ini"));
    inventory.plug(
        {"/dev/ttyUSB1", kFt4, "<b>FT232R</b> & <i>co", "<u>FTDI</u>", "FT4<br>X", 0x0403, 0x6001});
    form.refreshPorts();
    const QString reach = "/dev/ttyUSB1 · <b>FT232R</b> & <i>co · <u>FTDI</u> · FT4<br>X";
    ASSERT_EQ(entries(form)[2], "COM3 → " + reach);
    form.combo->setCurrentText("COM3");
    EXPECT_EQ(form.PortPath->textFormat(), Qt::PlainText);
    EXPECT_EQ(form.PortPath->text(), reach);
    EXPECT_EQ(shownToolTip(form.PortPath->toolTip()), reach);
    EXPECT_EQ(shownToolTip(form.combo->itemData(2, Qt::ToolTipRole).toString()), reach);
    inPortsDialog(form, [&](PortsDialog& d) {
        EXPECT_EQ(d.PortsNote->textFormat(), Qt::PlainText);
        const int row = d.rowOf("/dev/ttyUSB1");
        ASSERT_GE(row, 0);
        EXPECT_EQ(d.rowTexts(row), QStringList({"COM3", "/dev/ttyUSB1", "<b>FT232R</b> & <i>co",
                                                "<u>FTDI</u>", "FT4<br>X", "0403:6001", kFt4}));
        for (int column = 1; column < d.PortTable->columnCount(); ++column) {
            const QTableWidgetItem* item = d.PortTable->item(row, column);
            EXPECT_EQ(shownToolTip(item->toolTip()), item->text()) << column;
        }
        EXPECT_EQ(shownToolTip(d.comChoice(row)->itemData(3, Qt::ToolTipRole).toString()), reach);
    });
}

// Every COM number shows what it reaches; an adapter plugged in or out while the dialog is open
// shows at the next look, which the dialog's timer takes every second.
TEST_F(PortsDialogTest, ThePortListShowsWhatEachNumberReaches) {
    SelectComForm form(services, dir.filePath("nvq-can.ini"));
    QStringList expected = {"COM1 → /dev/ttyS0",
                            "COM2 → /dev/ttyUSB0 · FT232R USB UART · FTDI · A50285BI",
                            "COM3 → /dev/ttyS2 · no device"};
    EXPECT_EQ(entries(form).mid(0, 3), expected);
    EXPECT_EQ(entries(form).last(), "COM15 → /dev/ttyS14 · no device");
    EXPECT_EQ(form.combo->currentText(), "COM1") << "the entries' own texts stay";
    form.combo->setCurrentText("COM2");
    EXPECT_EQ(form.PortPath->text(), "/dev/ttyUSB0 · FT232R USB UART · FTDI · A50285BI");
    EXPECT_TRUE(form.PortsTimer->isActive());
    EXPECT_EQ(form.PortsTimer->interval(), 1000);

    inventory.plug(ftdi("ttyUSB1", kFt4, "FT4ZX9PQ"));
    form.refreshPorts();
    expected[2] = "COM3 → /dev/ttyUSB1 · FT232R USB UART · FTDI · FT4ZX9PQ";
    EXPECT_EQ(entries(form).mid(0, 3), expected);

    inventory.unplug("/dev/ttyUSB0");
    form.refreshPorts();
    EXPECT_EQ(entries(form)[1], "COM2 → " + kA50 + " · not plugged in");
    EXPECT_EQ(form.PortPath->text(), kA50 + " · not plugged in");
}

TEST_F(PortsDialogTest, PortsListsEveryAdapterWithItsDetails) {
    SelectComForm form(services, dir.filePath("nvq-can.ini"));
    inventory.plug(ftdi("ttyUSB1", kFt4, "FT4ZX9PQ"));
    inventory.unplug("/dev/ttyUSB0");
    QList<QStringList> rows;
    inPortsDialog(form, [&](PortsDialog& d) {
        EXPECT_EQ(d.windowTitle(), "COM Ports");
        for (int row = 0; row < d.PortTable->rowCount(); ++row) {
            rows << d.rowTexts(row);
        }
        // A number whose link is another adapter's cannot be picked; free ones and the
        // built-in port's number can.
        const auto* model = qobject_cast<QStandardItemModel*>(d.comChoice(2)->model());
        EXPECT_FALSE(model->item(2)->isEnabled());
        EXPECT_TRUE(model->item(1)->isEnabled());
        EXPECT_TRUE(model->item(4)->isEnabled());
    });
    EXPECT_EQ(
        rows,
        (QList<QStringList>{
            {"COM1", "/dev/ttyS0", "", "", "", "", "/dev/ttyS0"},
            {"COM2", "not plugged in", "", "", "", "", kA50},
            {"COM3", "/dev/ttyUSB1", "FT232R USB UART", "FTDI", "FT4ZX9PQ", "0403:6001", kFt4},
        }));
}

// "None" takes the number away for good (the adapter plugged in again gets none); another number
// moves it; the dialog's list follows.
TEST_F(PortsDialogTest, PortsGivesAnAdapterAnotherNumberOrNone) {
    SelectComForm form(services, dir.filePath("nvq-can.ini"));
    ASSERT_EQ(link(2), kA50);
    inPortsDialog(form, [&](PortsDialog& d) {
        d.comChoice(d.rowOf("/dev/ttyUSB0"))->setCurrentIndex(0);
        EXPECT_FALSE(QFileInfo(portsFolder() + "/com2").isSymLink());
        EXPECT_EQ(d.rowTexts(d.rowOf("/dev/ttyUSB0"))[0], "None");
    });
    EXPECT_EQ(portEntryText(form.combo, 1), "COM2 → /dev/ttyS1 · no device");
    inventory.unplug("/dev/ttyUSB0");
    inventory.plug(ftdi("ttyUSB0", kA50, "A50285BI"));
    form.refreshPorts();
    EXPECT_EQ(portEntryText(form.combo, 1), "COM2 → /dev/ttyS1 · no device");

    inPortsDialog(form, [&](PortsDialog& d) {
        d.comChoice(d.rowOf(kA50))->setCurrentIndex(9);
        EXPECT_EQ(d.rowTexts(d.rowOf(kA50))[0], "COM9");
    });
    EXPECT_EQ(link(9), kA50);
    EXPECT_EQ(portEntryText(form.combo, 8),
              "COM9 → /dev/ttyUSB0 · FT232R USB UART · FTDI · A50285BI");
    EXPECT_TRUE(rig.prompter.messages().isEmpty());
}

TEST_F(PortsDialogTest, AChangeThatCannotBeWrittenIsExplained) {
    SelectComForm form(services, dir.filePath("nvq-can.ini"));
    ReadOnlyFolder readOnly(portsFolder());
    if (!readOnly.refusesNewFiles()) {
        GTEST_SKIP() << "this process can write into a folder without write permission";
    }
    inPortsDialog(form, [&](PortsDialog& d) {
        d.comChoice(d.rowOf(kA50))->setCurrentIndex(0);
        EXPECT_EQ(d.rowTexts(d.rowOf(kA50))[0], "COM2");
    });
    EXPECT_EQ(rig.prompter.messages(),
              QStringList{"The COM number could not be changed.\rCannot write in " + portsFolder() +
                          ": Permission denied"});
    EXPECT_EQ(link(2), kA50);
}

// Opens "Add network port" from "Ports...", runs the script in it, and hands the Ports dialog
// to after once the small one has closed.
void inAddDialog(PortsRig& r, SelectComForm& form,
                 const std::function<void(NetworkPortDialog&)>& script,
                 const std::function<void(PortsDialog&)>& after = {}) {
    r.inPortsDialog(form, [&](PortsDialog& d) {
        r.rig.modal.scripts.append(
            [&](QDialog& w) { script(dynamic_cast<NetworkPortDialog&>(w)); });
        d.AddNetwork->click();
        if (after) {
            after(d);
        }
    });
}

void fill(NetworkPortDialog& d, const QString& host, int port, bool raw, const QString& com) {
    d.Host->clear();
    QTest::keyClicks(d.Host, host);
    d.PortNumber->setValue(port);
    (raw ? d.RawTcp : d.Rfc2217)->click();
    if (!com.isEmpty()) {
        d.ComNumber->setCurrentText(com);
        ASSERT_EQ(d.ComNumber->currentText(), com);
    }
}

// The entry written is the address and a line end; it is listed in "Ports..." and reached
// through its number in the connection dialog's list. COM1 (the built-in port) and COM2 (the
// adapter) are not free, so COM3 is offered first.
TEST_F(PortsDialogTest, AddNetworkPortWritesItsEntry) {
    struct Case {
        QString host;
        int port;
        bool raw;
        QString com;  // "" keeps the number offered first
        int number;
        QByteArray bytes;
        QString description;
    };
    const QList<Case> cases = {
        {"cabinet-gw", 4001, false, "COM5", 5, "rfc2217://cabinet-gw:4001\n",
         "Network port (RFC 2217)"},
        {"  10.0.0.7 ", 502, true, "", 3, "tcp://10.0.0.7:502\n", "Network port (raw TCP)"},
        {"[fe80::1]", 65535, true, "COM15", 15, "tcp://[fe80::1]:65535\n",
         "Network port (raw TCP)"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.bytes.toStdString());
        QTemporaryDir caseDir;
        ConfigHome caseHome(caseDir.path());
        SelectComForm form(services, dir.filePath("nvq-can.ini"));
        QStringList row;
        inAddDialog(
            *this, form,
            [&](NetworkPortDialog& d) {
                EXPECT_EQ(d.windowTitle(), "Add network port");
                EXPECT_EQ(d.PortNumber->value(), 4001);
                EXPECT_TRUE(d.Rfc2217->isChecked());
                EXPECT_EQ(d.ComNumber->itemText(0), "COM3");
                EXPECT_EQ(d.ComNumber->currentText(), "COM3");
                fill(d, c.host, c.port, c.raw, c.com);
                d.Add->click();
                EXPECT_FALSE(d.isVisible());
            },
            [&](PortsDialog& d) {
                const QString address = QString::fromUtf8(c.bytes.chopped(1));
                ASSERT_GE(d.rowOf(address), 0);
                row = d.rowTexts(d.rowOf(address));
            });
        EXPECT_EQ(entry(c.number), c.bytes);
        const QString address = QString::fromUtf8(c.bytes.chopped(1));
        EXPECT_EQ(row, QStringList({QString("COM%1").arg(c.number), address, c.description, "", "",
                                    "", ""}));
        EXPECT_EQ(portEntryText(form.combo, c.number - 1),
                  QString("COM%1 → ").arg(c.number) + address);
        EXPECT_TRUE(rig.prompter.messages().isEmpty())
            << rig.prompter.messages().join("|").toStdString();
    }
}

// What the connection dialog's list shows, exactly, for an entry made by hand.
TEST_F(PortsDialogTest, ThePortListShowsANetworkPortsAddress) {
    ASSERT_TRUE(QDir().mkpath(portsFolder()));
    ASSERT_TRUE(putFile(portsFolder() + "/com5", "rfc2217://cabinet-gw:4001\n"));
    SelectComForm form(services, dir.filePath("nvq-can.ini"));
    EXPECT_EQ(portEntryText(form.combo, 4), "COM5 → rfc2217://cabinet-gw:4001");
    form.combo->setCurrentText("COM5");
    EXPECT_EQ(form.PortPath->text(), "rfc2217://cabinet-gw:4001");
}

// A host is refused with what is wrong with it, and nothing is written; Add waits for a host.
TEST_F(PortsDialogTest, ABadHostIsRefusedInTheDialog) {
    const QList<std::pair<QString, QString>> cases = {
        {"cabinet gw",
         "Host \"cabinet gw\" is neither a name (letters, digits, '-', '.') nor an IP address."},
        {"cabinet-gw:4001",
         "Host \"cabinet-gw:4001\" is neither a name (letters, digits, '-', '.') nor an IP "
         "address. Give the host alone: the port and protocol have fields of their own."},
        {"rfc2217://gw",
         "Host \"rfc2217://gw\" is neither a name (letters, digits, '-', '.') nor an IP "
         "address. Give the host alone: the port and protocol have fields of their own."},
        {"-gw", "Host \"-gw\" is neither a name (letters, digits, '-', '.') nor an IP address."},
    };
    SelectComForm form(services, dir.filePath("nvq-can.ini"));
    inAddDialog(*this, form, [&](NetworkPortDialog& d) {
        EXPECT_FALSE(d.Add->isEnabled());
        QTest::keyClicks(d.Host, "   ");
        EXPECT_FALSE(d.Add->isEnabled());
        for (const auto& [host, problem] : cases) {
            fill(d, host, 4001, false, "COM5");
            EXPECT_FALSE(d.Problem->isVisibleTo(&d)) << "shown after Add";
            d.Add->click();
            EXPECT_TRUE(d.isVisible()) << host.toStdString();
            EXPECT_TRUE(d.Problem->isVisibleTo(&d));
            EXPECT_EQ(d.Problem->text(), problem);
        }
    });
    EXPECT_EQ(QDir(portsFolder()).entryList({"com*"}, QDir::Files), QStringList());
    EXPECT_TRUE(rig.prompter.messages().isEmpty());
}

// Another program takes the number while the dialog is open: the entry it made stays, the user
// is told, and the dialog stays open without that number.
TEST_F(PortsDialogTest, ANumberTakenMeanwhileIsNotOverwritten) {
    SelectComForm form(services, dir.filePath("nvq-can.ini"));
    inAddDialog(*this, form, [&](NetworkPortDialog& d) {
        fill(d, "cabinet-gw", 4001, false, "COM5");
        ASSERT_TRUE(QFile::link("/dev/nvq-test-elsewhere", portsFolder() + "/com5"));
        d.Add->click();
        EXPECT_TRUE(d.isVisible());
        EXPECT_EQ(d.ComNumber->findText("COM5"), -1);
        ASSERT_TRUE(putFile(portsFolder() + "/com6", "tcp://127.0.0.1:7\n"));
        d.ComNumber->setCurrentText("COM6");
        ASSERT_EQ(d.ComNumber->currentText(), "COM6");
        d.Add->click();
        EXPECT_TRUE(d.isVisible());
    });
    EXPECT_EQ(link(5), "/dev/nvq-test-elsewhere");
    EXPECT_EQ(entry(6), "tcp://127.0.0.1:7\n");
    EXPECT_EQ(rig.prompter.messages(),
              QStringList({"The network port could not be added.\rCOM5 is not free any more: it "
                           "reaches /dev/nvq-test-elsewhere · not plugged in.",
                           "The network port could not be added.\rCOM6 is not free any more: it "
                           "reaches tcp://127.0.0.1:7."}));
}

// Keyboard alone: the host field has the focus, Tab walks the fields, arrows pick, Enter adds;
// Esc leaves without writing anything.
TEST_F(PortsDialogTest, TheAddDialogWorksByKeyboard) {
    SelectComForm form(services, dir.filePath("nvq-can.ini"));
    inAddDialog(*this, form, [&](NetworkPortDialog& d) {
        QTest::keyClicks(d.Host, "gw-a");
        QTest::keyClick(d.Host, Qt::Key_Escape);
        EXPECT_FALSE(d.isVisible());
        EXPECT_EQ(d.result(), QDialog::Rejected);
    });
    EXPECT_EQ(QDir(portsFolder()).entryList({"com*"}, QDir::Files), QStringList());

    inAddDialog(*this, form, [&](NetworkPortDialog& d) {
        d.activateWindow();
        QApplication::setActiveWindow(&d);
        ASSERT_EQ(QApplication::focusWidget(), d.Host);
        const auto type = [](const QString& text) {
            QTest::keyClicks(QApplication::focusWidget(), text);
        };
        const auto key = [](int k, Qt::KeyboardModifiers m = Qt::NoModifier) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key(k), m);
        };
        type("gw-b");
        key(Qt::Key_Tab);
        key(Qt::Key_A, Qt::ControlModifier);
        type("4002");
        key(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), d.Rfc2217);
        key(Qt::Key_Down);
        key(Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), d.ComNumber);
        key(Qt::Key_Down);
        key(Qt::Key_Return);
        EXPECT_FALSE(d.isVisible());
    });
    EXPECT_EQ(entry(4), "tcp://gw-b:4002\n");
}

// "None" removes the entry once the user says so; another free number moves it. Numbers that
// are not free cannot be picked: the built-in port's, the adapter's.
TEST_F(PortsDialogTest, ANetworkPortIsMovedOrRemoved) {
    ASSERT_TRUE(QDir().mkpath(portsFolder()));
    ASSERT_TRUE(putFile(portsFolder() + "/com5", "rfc2217://cabinet-gw:4001\n"));
    SelectComForm form(services, dir.filePath("nvq-can.ini"));
    const QString address = "rfc2217://cabinet-gw:4001";
    inPortsDialog(form, [&](PortsDialog& d) {
        const auto* model =
            qobject_cast<QStandardItemModel*>(d.comChoice(d.rowOf(address))->model());
        EXPECT_FALSE(model->item(1)->isEnabled());
        EXPECT_FALSE(model->item(2)->isEnabled());
        EXPECT_TRUE(model->item(7)->isEnabled());
        d.comChoice(d.rowOf(address))->setCurrentIndex(7);
        EXPECT_EQ(d.rowTexts(d.rowOf(address))[0], "COM7");
    });
    EXPECT_EQ(entry(7), "rfc2217://cabinet-gw:4001\n");
    EXPECT_EQ(entry(5), "<none>");
    EXPECT_EQ(portEntryText(form.combo, 6), "COM7 → rfc2217://cabinet-gw:4001");

    rig.prompter.answers = {false, true};
    inPortsDialog(form, [&](PortsDialog& d) {
        d.comChoice(d.rowOf(address))->setCurrentIndex(0);
        EXPECT_EQ(d.rowTexts(d.rowOf(address))[0], "COM7") << "kept when the answer is No";
        d.comChoice(d.rowOf(address))->setCurrentIndex(0);
        EXPECT_EQ(d.rowOf(address), -1);
    });
    EXPECT_EQ(entry(7), "<none>");
    EXPECT_EQ(portEntryText(form.combo, 6), "COM7 → /dev/ttyS6 · no device");
    EXPECT_EQ(rig.prompter.messages(),
              QStringList(2, "Remove the network port COM7 (rfc2217://cabinet-gw:4001)?"));
}

}  // namespace
