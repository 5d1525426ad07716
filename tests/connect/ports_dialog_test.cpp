// The connection dialog's port list and the "Ports..." dialog, with adapters from a fake
// inventory and the program's ports folder in a temporary folder.
#include <gtest/gtest.h>

#include "support/qt_printers.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardItemModel>
#include <QTemporaryDir>
#include <QTextDocument>

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

}  // namespace
