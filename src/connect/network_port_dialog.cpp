#include "connect/network_port_dialog.h"

#include <QButtonGroup>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QVBoxLayout>

#include "files/visible_text.h"
#include "widgets/ui_helpers.h"

namespace {

constexpr int kDefaultTcpPort = 4001;

QLabel* buddyLabel(const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text);
    label->setBuddy(buddy);
    return label;
}

// Why the host is none this program connects to: named, and the likely slip said.
QString hostProblem(const QString& host) {
    QString problem =
        QStringLiteral(
            "Host \"%1\" is neither a name (letters, digits, '-', '.') nor an IP address.")
            .arg(visibleText(host.left(80)));
    if (host.contains(QLatin1Char(':')) || host.contains(QLatin1Char('/'))) {
        problem += QStringLiteral(
            " Give the host alone: the port and protocol have fields of "
            "their own.");
    }
    return problem;
}

}  // namespace

NetworkPortDialog::NetworkPortDialog(const QList<int>& freeNumbers, QWidget* parent)
    : QDialog(parent),
      Host(named<QLineEdit>("Host")),
      PortNumber(named<QSpinBox>("PortNumber")),
      Rfc2217(
          named<QRadioButton>("Rfc2217", QStringLiteral("&RFC 2217 (the program sets the line)"))),
      RawTcp(named<QRadioButton>("RawTcp",
                                 QStringLiteral("Raw TC&P (line set on the device server)"))),
      ComNumber(named<QComboBox>("ComNumber")),
      Problem(named<QLabel>("Problem")),
      Add(named<QPushButton>("Add", QStringLiteral("&Add"))),
      Cancel(named<QPushButton>("Cancel", QStringLiteral("Cancel"))) {
    setObjectName(QStringLiteral("NetworkPortDialog"));
    setWindowTitle(QStringLiteral("Add network port"));
    buildLayout();
    setFreeNumbers(freeNumbers);
    connect(Host, &QLineEdit::textChanged, this, [this] {
        showProblem(QString());
        updateAdd();
    });
    connect(Add, &QPushButton::clicked, this, &NetworkPortDialog::Add_Click);
    connect(Cancel, &QPushButton::clicked, this, &QDialog::reject);
    updateAdd();
}

void NetworkPortDialog::buildLayout() {
    Host->setPlaceholderText(QStringLiteral("name or IP address of the device server"));
    Host->setAccessibleName(QStringLiteral("Host"));
    Host->setMinimumWidth(260);
    PortNumber->setRange(1, 65535);
    PortNumber->setValue(kDefaultTcpPort);
    PortNumber->setAccessibleName(QStringLiteral("TCP port"));
    Rfc2217->setAccessibleName(QStringLiteral("RFC 2217"));
    RawTcp->setAccessibleName(QStringLiteral("Raw TCP"));
    Rfc2217->setChecked(true);
    auto* protocols = new QButtonGroup(this);
    protocols->addButton(Rfc2217);
    protocols->addButton(RawTcp);
    ComNumber->setAccessibleName(QStringLiteral("COM number"));
    Problem->setTextFormat(Qt::PlainText);
    Problem->setWordWrap(true);
    Problem->setStyleSheet(QStringLiteral("color: #b00000"));
    Problem->hide();
    Add->setDefault(true);
    Cancel->setAutoDefault(false);

    auto* protocolBox = new QVBoxLayout;
    protocolBox->addWidget(Rfc2217);
    protocolBox->addWidget(RawTcp);
    auto* form = new QFormLayout;
    form->addRow(buddyLabel(QStringLiteral("&Host:"), Host), Host);
    form->addRow(buddyLabel(QStringLiteral("P&ort:"), PortNumber), PortNumber);
    form->addRow(buddyLabel(QStringLiteral("Pro&tocol:"), Rfc2217), protocolBox);
    form->addRow(buddyLabel(QStringLiteral("&COM number:"), ComNumber), ComNumber);
    auto* buttons = new QDialogButtonBox;
    buttons->addButton(Add, QDialogButtonBox::AcceptRole);
    buttons->addButton(Cancel, QDialogButtonBox::RejectRole);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(Problem);
    layout->addWidget(buttons);
    setTabOrder(Host, PortNumber);
    setTabOrder(PortNumber, Rfc2217);
    setTabOrder(Rfc2217, RawTcp);
    setTabOrder(RawTcp, ComNumber);
    setTabOrder(ComNumber, Add);
    setTabOrder(Add, Cancel);
}

void NetworkPortDialog::setFreeNumbers(const QList<int>& numbers) {
    const int chosen = chosenNumber();
    ComNumber->clear();
    for (int number : numbers) {
        ComNumber->addItem(QStringLiteral("COM%1").arg(number), number);
    }
    const int kept = ComNumber->findData(chosen);
    ComNumber->setCurrentIndex(kept >= 0 ? kept : 0);
    updateAdd();
}

int NetworkPortDialog::chosenNumber() const {
    return ComNumber->currentIndex() < 0 ? 0 : ComNumber->currentData().toInt();
}

ParsedAddress NetworkPortDialog::address() const {
    QString host = Host->text().trimmed();
    // An IPv6 address may come in the brackets an address is written with.
    if (host.startsWith(QLatin1Char('[')) && host.endsWith(QLatin1Char(']'))) {
        host = host.mid(1, host.size() - 2);
    }
    if (!isValidHost(host)) {
        return {std::nullopt, hostProblem(host)};
    }
    const NetworkAddress address{
        RawTcp->isChecked() ? NetworkProtocol::RawTcp : NetworkProtocol::Rfc2217, host,
        static_cast<quint16>(PortNumber->value())};
    // The entry is read back through the parser: what it would not take is not written.
    const ParsedAddress back = parseNetworkAddress(address.text());
    if (!back.address || *back.address != address) {
        return {std::nullopt,
                QStringLiteral("Host \"%1\": %2").arg(visibleText(host.left(80)), back.problem)};
    }
    return back;
}

void NetworkPortDialog::Add_Click() {
    if (!Add->isEnabled()) {
        return;
    }
    const ParsedAddress parsed = address();
    if (!parsed.address) {
        showProblem(parsed.problem);
        Host->setFocus();
        return;
    }
    if (!add || add(chosenNumber(), *parsed.address)) {
        accept();
    }
}

void NetworkPortDialog::updateAdd() {
    const bool noNumber = ComNumber->count() == 0;
    ComNumber->setEnabled(!noNumber);
    Add->setEnabled(!Host->text().trimmed().isEmpty() && !noNumber);
    if (noNumber) {
        showProblem(
            QStringLiteral("No COM number from 1 to 15 is free: give one up in the list "
                           "of ports first (\"None\")."));
    }
}

void NetworkPortDialog::showProblem(const QString& problem) {
    Problem->setText(problem);
    Problem->setVisible(!problem.isEmpty());
    if (!problem.isEmpty()) {
        Problem->setAccessibleDescription(problem);
    }
}
