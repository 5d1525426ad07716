#include "device/port_scan.h"

#include <QByteArray>
#include <algorithm>

#include "link/exchange.h"
#include "link/reply_helpers.h"
#include "link/reply_reader.h"

namespace {

// A device answers "DN" within a few characters' time; 31 quiet reads of 2 ms end the wait.
constexpr ReadLimits kNameReadLimits{30, 2};
constexpr int kCheckProgressPerPort = 30;
constexpr int kFoundPortProgress = 30;
constexpr int kBaudProgress = 10;

}  // namespace

PortScan::PortScan(std::unique_ptr<SerialPort> port)
    : owned_(std::move(port)), port_(owned_.get()) {}

PortScan::PortScan(SerialPort& port) : port_(&port) {}

PortScan::~PortScan() {
    if (owned_) {
        closePort();
    }
}

void ScanState::reset() {
    SearchResult = false;
    StartSearch = true;
    PortNumber = firstPort;
    AvailablePort = 0;
    FixedRatePort = 0;
    Step = 1;
    SearchAllString.clear();
    caption = QStringLiteral("Progress");
    progress = 0;
}

void PortScan::closePort() {
    try {
        if (port_->isOpen()) {
            port_->close();
        }
    } catch (const PortError&) {
        // A port that cannot even be closed is gone; there is nothing left to release.
    }
}

ScanTick PortScan::tick() {
    if (!StartSearch || PortNumber < firstPort || PortNumber > lastPort) {
        closePort();
        return ScanTick::Finished;
    }
    switch (Step) {
        case 1:
            return checkPort();
        case 2:
            return nextUsablePort();
        case 3:
            return openAtBaud();
        case 4:
            return queryId();
        default:
            closePort();
            return ScanTick::Finished;
    }
}

// Step 1: can the port be opened at all?
ScanTick PortScan::checkPort() {
    caption = QStringLiteral("Checking Port %1").arg(PortNumber);
    progress = std::min(PortNumber * kCheckProgressPerPort, kProgressMax);
    if (opensForCheck()) {
        AvailablePort = BitOr(AvailablePort, int32_t{1} << (PortNumber - 1));
        if (!port_->setsBaudRate()) {
            FixedRatePort = BitOr(FixedRatePort, int32_t{1} << (PortNumber - 1));
        }
    }
    closePort();
    if (++PortNumber > lastPort) {
        Step = 2;
        PortNumber = firstPort;
    }
    return ScanTick::Continue;
}

bool PortScan::opensForCheck() {
    try {
        openPort(*port_, PortNumber, QStringLiteral("9600"));
        return true;
    } catch (const PortError&) {
        return false;  // not there or in use: simply not marked
    }
}

// Step 2: go on to the next port that step 1 could open.
ScanTick PortScan::nextUsablePort() {
    if (AvailablePort == 0) {
        return ScanTick::NoPortAvailable;
    }
    if (!isMarked(PortNumber)) {
        return nextPort();
    }
    caption = QStringLiteral("Found Port %1.").arg(PortNumber);
    addProgress(kFoundPortProgress);
    try {
        port_->setReceiveThreshold(1);
        port_->setInputLength(1);
        port_->setDtr(false);
    } catch (const PortError&) {
        // The open of step 3 fails as well then, and passes the port over.
    }
    baudi = 1;
    Step = 3;
    return ScanTick::Continue;
}

bool PortScan::isMarked(int portNumber) const {
    return BitAnd(AvailablePort / (int32_t{1} << (portNumber - 1)), 1) != 0;
}

bool PortScan::isFixedRate(int portNumber) const {
    return BitAnd(FixedRatePort / (int32_t{1} << (portNumber - 1)), 1) != 0;
}

QStringList PortScan::ratesHere() const {
    return isFixedRate(PortNumber) ? QStringList{fixedRateBaud} : bauds;
}

// Said in every caption on a raw network stream, so that no one takes the one rate tried for
// all of them.
QString PortScan::rateNote() const {
    return isFixedRate(PortNumber)
               ? QStringLiteral(" (raw TCP: only this rate, the device server sets the line)")
               : QString();
}

// Step 3: open the marked port at the next baud rate.
ScanTick PortScan::openAtBaud() {
    const QStringList rates = ratesHere();
    if (baudi < 1 || baudi > rates.size()) {
        return nextPort();
    }
    addProgress(kBaudProgress);
    FoundBaud = rates.at(baudi - 1);
    caption = QStringLiteral("Trying Port %1, Baud:%2").arg(PortNumber).arg(FoundBaud) + rateNote();
    try {
        port_->setSettings(lineSettings(FoundBaud));
        port_->setPortNumber(PortNumber);
        port_->open();
    } catch (const PortError&) {
        // The port was there a moment ago (unplugged since, or taken by another program): the
        // other baud rates would fail the same way, so the scan goes on with the next port.
        closePort();
        return nextPort();
    }
    idi = 1;
    Step = 4;
    return ScanTick::Continue;
}

// Step 4: ask one device ID for its name.
ScanTick PortScan::queryId() {
    if (idi < 1 || idi > lastId) {
        closePort();
        return nextPort();
    }
    FoundID = deviceIdItems().at(idi - 1);
    caption =
        QStringLiteral("Trying Port %1, Baud:%2 ID:%3").arg(PortNumber).arg(FoundBaud, FoundID) +
        rateNote();
    bool matched = false;
    try {
        discardPending();
        port_->write(commandFrame(FoundID, QStringLiteral("DN")));
        matched = awaitName();
    } catch (const PortError&) {
        closePort();  // the port went away during the query: on to the next one
        return nextPort();
    }
    if (matched) {
        closePort();
        SearchResult = true;
        return ScanTick::Finished;
    }
    return nextId();
}

// Characters still pending answer an earlier query (a device slower than the wait) and would
// otherwise be taken for this ID's answer.
void PortScan::discardPending() {
    ReadBudget budget;
    readCharacters(*port_, ReadLimits{0, 0}, budget, [](char) { return false; });
}

// Reads the answer to "DN". At each CR the text received since the query is tested for "KRB";
// single mode stops at the first match, collect mode notes a result line per match and reads
// on until the line is quiet. True on a single-mode match.
bool PortScan::awaitName() {
    QByteArray reply;
    bool matched = false;
    ReadBudget budget;
    readCharacters(*port_, kNameReadLimits, budget, [&](char c) {
        if (c == '\r' && reply.contains("KRB")) {
            if (!SearchAll) {
                matched = true;
                return true;
            }
            SearchAllString += resultLine();
        }
        reply += c;
        return false;
    });
    return matched;
}

QString PortScan::resultLine() const {
    return QStringLiteral("Found on Com Port:%1 Baud:%2 ID:%3\r\n")
        .arg(PortNumber)
        .arg(FoundBaud, FoundID);
}

ScanTick PortScan::nextId() {
    if (++idi <= lastId) {
        return ScanTick::Continue;
    }
    closePort();
    Step = 3;
    if (++baudi <= ratesHere().size()) {
        return ScanTick::Continue;
    }
    return nextPort();
}

ScanTick PortScan::nextPort() {
    if (++PortNumber > lastPort) {
        return ScanTick::Finished;
    }
    Step = 2;
    return ScanTick::Continue;
}

void PortScan::addProgress(int amount) {
    progress = std::min(progress + amount, kProgressMax);
}
