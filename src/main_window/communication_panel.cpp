#include "main_window/communication_panel.h"

#include <QFormLayout>

#include "widgets/status_colors.h"
#include "widgets/ui_helpers.h"

CommunicationPanel::CommunicationPanel()
    : communicationFrame(named<QGroupBox>("CommunicationFrame", QStringLiteral("Communication"))),
      productFrame(named<QGroupBox>("ProductFrame", QStringLiteral("Product ID && Firmware"))),
      BaudText(named<QLabel>("BaudText")),
      SelectedDeviceID(named<QComboBox>("SelectedDeviceID")),
      ComStatusDisplay(named<QLineEdit>("ComStatusDisplay")),
      ID(named<QLabel>("ID", QStringLiteral("???"))),
      Version(named<QLabel>("Version", QStringLiteral("???"))) {
    SelectedDeviceID->setEditable(false);
    ComStatusDisplay->setReadOnly(true);
    ComStatusDisplay->setFocusPolicy(Qt::NoFocus);
    ComStatusDisplay->setAlignment(Qt::AlignCenter);
    ComStatusDisplay->setMinimumWidth(150);
    QFont bold = ComStatusDisplay->font();
    bold.setBold(true);
    ComStatusDisplay->setFont(bold);

    auto* comm = new QFormLayout(communicationFrame);
    comm->addRow(QStringLiteral("Baud Rate:"), BaudText);
    comm->addRow(QStringLiteral("Device ID:"), SelectedDeviceID);
    comm->addRow(ComStatusDisplay);

    for (QLabel* label : {ID, Version}) {
        label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    }
    // What the device and the settings file say, never read as rich text.
    for (QLabel* label : {BaudText, ID, Version}) {
        label->setTextFormat(Qt::PlainText);
    }
    auto* product = new QFormLayout(productFrame);
    product->addRow(QStringLiteral("ID:"), ID);
    product->addRow(QStringLiteral("Ver:"), Version);
}

void CommunicationPanel::showCommunicationOk() {
    ComStatusDisplay->setText(QStringLiteral("Communication OK"));
    setBackground(ComStatusDisplay, StatusColors::kGreen);
}

void CommunicationPanel::showNoCommunication(bool keepColour) {
    ComStatusDisplay->setText(QStringLiteral("No Communication"));
    if (!keepColour) {
        setBackground(ComStatusDisplay, StatusColors::kRed);
    }
}

void CommunicationPanel::showInvalidPort() {
    ComStatusDisplay->setText(QStringLiteral("Invalid Port"));
    setBackground(ComStatusDisplay, StatusColors::kGrey);
}

void CommunicationPanel::showUnknownDevice() {
    ID->setText(QStringLiteral("???"));
    Version->setText(QStringLiteral("???"));
}
