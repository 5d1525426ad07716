#include "connect/ports_dialog.h"

#include <QDialogButtonBox>
#include <QDir>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QStandardItemModel>
#include <QVBoxLayout>
#include <algorithm>

#include "connect/network_port_dialog.h"
#include "files/visible_text.h"
#include "widgets/modal_runner.h"
#include "widgets/prompter.h"
#include "widgets/ui_helpers.h"

namespace {

enum PortColumn {
    kCom,
    kDevice,
    kDescription,
    kManufacturer,
    kSerial,
    kUsbId,
    kStablePath,
    kColumns
};

// Paths come from links anybody may have made: shown without their control characters.
QTableWidgetItem* cell(const QString& raw) {
    const QString text = visibleText(raw);
    auto* item = new QTableWidgetItem(text);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable);
    item->setToolTip(plainToolTip(text));
    return item;
}

QString networkDescription(const QString& address) {
    const ParsedAddress parsed = parseNetworkAddress(address);
    return parsed.address && parsed.address->protocol == NetworkProtocol::RawTcp
               ? QStringLiteral("Network port (raw TCP)")
               : QStringLiteral("Network port (RFC 2217)");
}

}  // namespace

PortsDialog::PortsDialog(ComPorts& ports, Prompter* prompter, QWidget* parent, ModalRunner* modal)
    : QDialog(parent),
      PortTable(named<QTableWidget>("PortTable", 0, kColumns)),
      PortsNote(named<QLabel>("PortsNote")),
      AddNetwork(named<QPushButton>("AddNetwork", QStringLiteral("Add &network port..."))),
      Close(named<QPushButton>("Close", QStringLiteral("Close"))),
      RefreshTimer(named<QTimer>("RefreshTimer", this)),
      ports_(ports),
      prompter_(prompter),
      modal_(modal) {
    setObjectName(QStringLiteral("PortsDialog"));
    setWindowTitle(QStringLiteral("COM Ports"));
    buildLayout();
    connect(Close, &QPushButton::clicked, this, &QDialog::accept);
    connect(AddNetwork, &QPushButton::clicked, this, &PortsDialog::AddNetwork_Click);
    RefreshTimer->setInterval(1000);
    connect(RefreshTimer, &QTimer::timeout, this, [this] { refresh(); });
    RefreshTimer->start();
    refresh(true);
}

void PortsDialog::buildLayout() {
    PortTable->setHorizontalHeaderLabels({"COM Port", "Device", "Description", "Manufacturer",
                                          "Serial Number", "USB ID", "Stable Path"});
    PortTable->verticalHeader()->hide();
    PortTable->setWordWrap(false);
    PortTable->setTextElideMode(Qt::ElideMiddle);
    PortTable->setSelectionBehavior(QAbstractItemView::SelectRows);
    PortTable->horizontalHeader()->setStretchLastSection(true);
    PortTable->setMinimumSize(900, 200);
    PortsNote->setWordWrap(true);
    PortsNote->setTextFormat(Qt::PlainText);
    Close->setDefault(true);
    AddNetwork->setAutoDefault(false);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(Close, QDialogButtonBox::AcceptRole);
    // Adding is set apart on the left, under the list it adds to.
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(AddNetwork);
    buttonRow->addStretch();
    buttonRow->addWidget(buttons);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(PortTable);
    layout->addWidget(PortsNote);
    layout->addLayout(buttonRow);
}

void PortsDialog::refresh(bool force) {
    if (ports_.refresh(force) || force) {
        fill();
    }
}

// What the numbers are, and what is wrong with the ports folder when something is.
QString PortsDialog::noteText() const {
    const QString note =
        QStringLiteral(
            "An adapter seen for the first time gets the lowest free COM number and "
            "keeps it in every USB socket, also while it is unplugged. The numbers are "
            "links in %1; links you make there yourself are kept. A network port's number "
            "is a file there that holds its address.")
            .arg(visibleText(QDir::toNativeSeparators(ports_.folder())));
    return ports_.problem().isEmpty() ? note : note + QStringLiteral("\n\n") + ports_.problem();
}

void PortsDialog::fill() {
    PortsNote->setText(noteText());
    const PortsState& state = ports_.state();
    rows_.clear();
    for (const SerialAdapter& a : state.adapters) {
        rows_ << Row{a.stablePath, a, comNumberOf(state, a), QString()};
    }
    for (const ComLink& link : state.links) {
        if (!link.network.isEmpty()) {
            rows_ << Row{QString(), std::nullopt, link.number, link.network};
        } else if (link.device.isEmpty() && !adapterAt(state, link.number)) {
            rows_ << Row{link.target, std::nullopt, link.number, QString()};
        }
    }
    // By COM number, those without one last.
    std::stable_sort(rows_.begin(), rows_.end(), [](const Row& a, const Row& b) {
        return (a.number == 0 ? kLastComNumber + 1 : a.number) <
               (b.number == 0 ? kLastComNumber + 1 : b.number);
    });
    PortTable->setRowCount(0);
    PortTable->setRowCount(static_cast<int>(rows_.size()));
    for (int row = 0; row < rows_.size(); ++row) {
        fillRow(row, rows_[row]);
    }
    PortTable->resizeColumnsToContents();
}

void PortsDialog::fillRow(int row, const Row& r) {
    PortTable->setCellWidget(row, kCom, numberChoice(r));
    if (!r.network.isEmpty()) {
        fillNetworkRow(row, r);
        return;
    }
    const SerialAdapter a = r.adapter.value_or(SerialAdapter{});
    PortTable->setItem(row, kDevice,
                       cell(r.adapter ? a.systemLocation : QStringLiteral("not plugged in")));
    PortTable->setItem(row, kDescription, cell(a.description));
    PortTable->setItem(row, kManufacturer, cell(a.manufacturer));
    PortTable->setItem(row, kSerial, cell(a.serialNumber));
    PortTable->setItem(row, kUsbId, cell(usbIds(a)));
    PortTable->setItem(row, kStablePath, cell(r.stablePath));
}

// The address where an adapter shows its device; the rest is an adapter's and stays empty.
void PortsDialog::fillNetworkRow(int row, const Row& r) {
    PortTable->setItem(row, kDevice, cell(r.network));
    PortTable->setItem(row, kDescription, cell(networkDescription(r.network)));
    for (int column = kManufacturer; column < kColumns; ++column) {
        PortTable->setItem(row, column, cell(QString()));
    }
}

// "None" and every COM number; a number whose link leads elsewhere cannot be picked, as that
// link is another adapter's, or one the user made. A network port may take free numbers only:
// on a built-in port's number it would hide that port.
QComboBox* PortsDialog::numberChoice(const Row& r) {
    const PortsState& state = ports_.state();
    auto* choice = new QComboBox;
    choice->addItem(QStringLiteral("None"));
    auto* model = qobject_cast<QStandardItemModel*>(choice->model());
    for (int number = kFirstComNumber; number <= kLastComNumber; ++number) {
        choice->addItem(QStringLiteral("COM%1").arg(number));
        const QString reach = comReach(state, number);
        choice->setItemData(number, plainToolTip(reach), Qt::ToolTipRole);
        const bool taken =
            r.network.isEmpty() ? state.links.contains(number) : !isFree(state, number);
        if (number != r.number && taken) {
            model->item(number)->setEnabled(false);
        }
    }
    choice->setCurrentIndex(r.number);
    // Connected after the number is shown: only a choice changes anything. The table is then
    // built anew; the list goes with deleteLater, after its signal has returned.
    connect(choice, &QComboBox::currentIndexChanged, this,
            [this, r](int index) { choose(r, index); });
    return choice;
}

// The table is not built anew while a message is open: the list whose signal called this
// must outlive it.
void PortsDialog::choose(const Row& r, int number) {
    if (number == r.number) {
        return;
    }
    RefreshTimer->stop();
    const QString error =
        r.network.isEmpty() ? ports_.assign(r.stablePath, number) : renumberNetwork(r, number);
    if (!error.isEmpty() && prompter_) {
        prompter_->info(QStringLiteral("The COM number could not be changed.\r%1").arg(error));
    }
    fill();
    RefreshTimer->start();
}

// "None" forgets the address, so the user is asked first; a refusal changes nothing.
QString PortsDialog::renumberNetwork(const Row& r, int number) {
    if (number != 0) {
        return ports_.moveNetwork(r.number, number);
    }
    const QString question = QStringLiteral("Remove the network port COM%1 (%2)?")
                                 .arg(QString::number(r.number), visibleText(r.network));
    if (prompter_ && !prompter_->ask(question, QStringLiteral("Remove network port"))) {
        return QString();
    }
    return ports_.removeNetwork(r.number);
}

void PortsDialog::AddNetwork_Click() {
    ports_.refresh();
    NetworkPortDialog dialog(ports_.freeNumbers(), this);
    dialog.add = [this, &dialog](int number, const NetworkAddress& address) {
        const QString error = ports_.addNetwork(number, address);
        if (error.isEmpty()) {
            return true;
        }
        if (prompter_) {
            prompter_->info(QStringLiteral("The network port could not be added.\r%1").arg(error));
        }
        dialog.setFreeNumbers(ports_.freeNumbers());
        return false;
    };
    if (modal_) {
        modal_->showModal(dialog);
    } else {
        dialog.exec();
    }
    refresh(true);
}

int PortsDialog::rowOf(const QString& deviceOrStablePath) const {
    for (int row = 0; row < rows_.size(); ++row) {
        const Row& r = rows_[row];
        if ((!r.network.isEmpty() && r.network == deviceOrStablePath) ||
            (!r.stablePath.isEmpty() && r.stablePath == deviceOrStablePath) ||
            (r.adapter && r.adapter->systemLocation == deviceOrStablePath)) {
            return row;
        }
    }
    return -1;
}

QComboBox* PortsDialog::comChoice(int row) const {
    return qobject_cast<QComboBox*>(PortTable->cellWidget(row, kCom));
}

QStringList PortsDialog::rowTexts(int row) const {
    QStringList texts;
    const QComboBox* choice = comChoice(row);
    texts << (choice ? choice->currentText() : QString());
    for (int column = kDevice; column < kColumns; ++column) {
        const QTableWidgetItem* item = PortTable->item(row, column);
        texts << (item ? item->text() : QString());
    }
    return texts;
}
