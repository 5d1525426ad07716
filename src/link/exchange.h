#pragma once

#include <QByteArray>
#include <QString>

#include "link/serial_port.h"

// "@" + device ID + command + CR.
QByteArray commandFrame(const QString& address, const QString& command);

// The pause the device needs before it answers: 200 ms after "STORE", "DN=..." and "Z...",
// 1000 ms after any command containing "SR", both when both apply. Case-sensitive.
int commandDelayMs(const QString& command);

struct ExchangeResult {
    enum class Status { Reply, NoReply, PortFailure };
    Status status = Status::NoReply;
    QString text;   // the reply payload (prefix stripped) when status is Reply
    QString error;  // the platform's description when status is PortFailure
};

struct ExchangeOptions {
    // Replies may carry "$" auto-response lines; the payload is taken after the first "P".
    bool arMode = false;
    // How many times the frame is written before the device counts as silent.
    int attempts = 1;
};

// One command line out, one reply line back: write the frame, wait the command's delay, read
// one character at a time until CR (101 empty reads of 1 ms end the wait), strip the "#" prefix.
// Shows nothing and owns no window state; each window's policy builds on it.
ExchangeResult exchange(SerialPort& port, const QString& address, const QString& command,
                        const ExchangeOptions& options = {});
