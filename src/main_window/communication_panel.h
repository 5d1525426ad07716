#pragma once

#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>

// The "Communication" and "Product ID && Firmware" frames: baud rate, device ID list, the
// communication state, and the device's identity and version.
struct CommunicationPanel {
    CommunicationPanel();

    QGroupBox* communicationFrame;
    QGroupBox* productFrame;
    QLabel* BaudText;
    QComboBox* SelectedDeviceID;
    QLineEdit* ComStatusDisplay;
    QLabel* ID;
    QLabel* Version;

    void showCommunicationOk();
    // Red unless keepColour: re-identification only renews the text.
    void showNoCommunication(bool keepColour = false);
    void showInvalidPort();
    void showUnknownDevice();  // identity and version "???"
};
