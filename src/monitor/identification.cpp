#include "monitor/identification.h"

#include "link/messages.h"

DeviceIdentification identifyDevice(SerialPort& port, LineState& line, const QString& address) {
    DeviceIdentification id;
    // Each answer or the way the exchange ended; false when identification ends with it.
    const auto ask = [&](const char* command, QString& into) {
        const ExchangeResult r = exchange(port, line, address, QString::fromLatin1(command));
        if (r.status == ExchangeResult::Status::PortFailure) {
            id.end = DeviceIdentification::End::PortFailed;
            id.error = r.error;
            return false;
        }
        if (r.status == ExchangeResult::Status::NoReply) {
            return false;
        }
        into = r.text;
        return true;
    };
    if (!ask("ID", id.identity)) {
        return id;  // Silent unless the line failed
    }
    if (id.identity != QLatin1String(kDeviceIdentity)) {
        id.end = DeviceIdentification::End::OtherDevice;
        return id;
    }
    id.end = DeviceIdentification::End::Failed;
    if (ask("VER", id.version) && ask("DN", id.name)) {
        id.end = DeviceIdentification::End::Identified;
    }
    return id;
}
