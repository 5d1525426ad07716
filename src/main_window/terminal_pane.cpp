#include "main_window/terminal_pane.h"

#include <QGridLayout>
#include <QLabel>

#include "widgets/ui_helpers.h"

TerminalPane::TerminalPane()
    : frame(named<QGroupBox>("Terminal", QStringLiteral("Terminal"))),
      DeviceIDComboTerminal(named<QComboBox>("DeviceIDComboTerminal")),
      SendTerminalText(named<QLineEdit>("SendTerminalText")),
      ReceiveTerminalText(named<QLineEdit>("ReceiveTerminalText")),
      Sent(named<QLineEdit>("Sent")),
      Command1(named<QPushButton>("Command1", QStringLiteral("Send"))) {
    DeviceIDComboTerminal->setEditable(false);
    ReceiveTerminalText->setReadOnly(true);
    SendTerminalText->setPlaceholderText(QStringLiteral("command, Enter sends, F1 recalls"));

    auto* grid = new QGridLayout(frame);
    grid->addWidget(new QLabel(QStringLiteral("ASCII Sent:")), 0, 0);
    grid->addWidget(DeviceIDComboTerminal, 0, 1);
    grid->addWidget(SendTerminalText, 0, 2);
    grid->addWidget(Command1, 0, 3);
    grid->addWidget(new QLabel(QStringLiteral("Response:")), 1, 0);
    grid->addWidget(ReceiveTerminalText, 1, 1, 1, 3);
    grid->setColumnStretch(2, 1);
    // Kept for its name, hidden: no operation uses it. It belongs to the frame like every other
    // control, so that the window finds it and deletes it with itself.
    Sent->setParent(frame);
    Sent->setVisible(false);
}
