#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>

// The "Terminal" frame: a raw command line and the reply it got.
struct TerminalPane {
    TerminalPane();

    QGroupBox* frame;
    QComboBox* DeviceIDComboTerminal;
    QLineEdit* SendTerminalText;
    QLineEdit* ReceiveTerminalText;
    QLineEdit* Sent;
    QPushButton* Command1;  // "Send"
};
