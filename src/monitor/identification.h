#pragma once

#include <QString>

#include <functional>

#include "link/exchange.h"
#include "link/serial_port.h"

// Who answers at an address: "ID", and when that is the identity this program serves, "VER" and
// the device name "DN". The main window's start-up asks the same and shows it.
struct DeviceIdentification {
    enum class End {
        Identified,   // identity, version and name read
        Silent,       // no answer to "ID"
        OtherDevice,  // "ID" answered with another identity: nothing more is asked
        Failed,       // "VER" or "DN" went unanswered
        PortFailed,   // the line failed: error says why
    };
    End end = End::Silent;
    QString identity;
    QString version;
    QString name;
    QString error;
};

DeviceIdentification identifyDevice(SerialPort& port, LineState& line, const QString& address);

// The main window's start-up, without a window: "ID"; when that is this program's identity, "VER",
// the sync comparison "SYNC", the sync position "SYNP", "SYNC" again and the device name "DN".
// Each exchange goes through send (the window's own, which shows what a silent device or a
// failed line means; a silent device's "0" counts as its reply, as in the window), and each
// reply is handed to onReply as it comes, after the checks that end the sequence; onReply
// returns false when the line failed meanwhile.
struct StartUpIdentification {
    enum class End {
        Identified,   // through "DN"
        OtherDevice,  // "ID" answered something else: nothing more is asked
        Unusable,     // "SYNC" or "SYNP" answered no number: this is no device to work with
        PortFailed,   // the line failed
    };
    End end = End::PortFailed;
    QString identity;
    QString version;
    QString name;
    bool nameAnswered = false;  // "DN" itself got a reply
};

using IdentifySend = std::function<ExchangeResult(const QString& command)>;
using IdentifyReply = std::function<bool(const QString& command, const QString& reply)>;
StartUpIdentification identifyForStartUp(const IdentifySend& send, const IdentifyReply& onReply);

// The compatibility warning for older firmware, or an empty text when there is none.
QString firmwareWarning(const QString& version);
