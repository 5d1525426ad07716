#include "device/main_policy.h"

#include "link/exchange.h"
#include "link/messages.h"

MainPolicy::MainPolicy(SerialPort& port, ConnectionValues& values, MainLinkHost& host)
    : port_(port), values_(values), host_(host), line_(own_) {}

MainPolicy::MainPolicy(SerialPort& port, LineState& line, ConnectionValues& values,
                       MainLinkHost& host)
    : port_(port), values_(values), host_(host), line_(line) {}

QString MainPolicy::SendReceive(const QString& command) {
    // After a port failure the window keeps no line: a sequence still running (a tick, a click,
    // a device-ID pick) must not write to the closed port and repeat both messages per command.
    if (!values_.ComPortStatus) {
        lastAnswered_ = false;
        return QString();
    }
    const ExchangeResult result =
        exchange(port_, line_, values_.ComAddress, command, {ARMode, ARMode ? 2 : 1});
    lastAnswered_ = result.status == ExchangeResult::Status::Reply;
    switch (result.status) {
        case ExchangeResult::Status::Reply:
            return result.text;
        case ExchangeResult::Status::NoReply:
            values_.ComStatus = false;
            host_.showNoCommunication();
            return QStringLiteral("0");
        case ExchangeResult::Status::PortFailure:
            portFailed(result.error);
            return QString();
    }
    return QString();
}

void MainPolicy::portFailed(const QString& description) {
    host_.tell(kCommunicationError + description);
    portUnavailable();
}

void MainPolicy::portUnavailable() {
    values_.ComPortStatus = false;
    values_.ComStatus = false;
    host_.showInvalidPort();
    host_.tell(withOpenFailureHelp(QString::fromLatin1(kPortNotAvailable), port_));
    try {
        port_.close();
    } catch (const PortError&) {
        // Already gone; nothing more to release.
    }
}
