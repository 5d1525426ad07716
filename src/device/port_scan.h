#pragma once

#include <QString>
#include <cstdint>
#include <memory>

#include "device/parameter_codes.h"
#include "link/serial_port.h"

// What one tick of the scan asks of the window that shows it.
enum class ScanTick {
    Continue,         // wait for the next tick
    Finished,         // the scan is over: close the window
    NoPortAvailable,  // no port could be opened at all: tell the user, then close the window
};

// What a scan stands at and what it found. The variables keep the names the connection dialog
// knows them by; it sets some before the showing and reads the results after it. The search
// window keeps a copy of its own, which each step's copy replaces.
struct ScanState {
    static constexpr int kLastPort = 15;
    static constexpr int kBaudCount = 5;
    static constexpr int kLastId = 9;
    static constexpr int kProgressMax = 1000;

    // The values every showing starts from; SearchAll, baudi, idi, FoundBaud and FoundID are
    // left as they are (the caller sets the mode, the scan the others before it uses them).
    void reset();

    bool SearchResult = false;  // single mode: a device was found
    bool StartSearch = true;    // the scan may go on; "Cancel" clears it
    bool SearchAll = false;     // false: stop at the first device; true: collect every one
    int PortNumber = 1;         // the port being examined; after a single-mode find, its port
    int32_t AvailablePort = 0;  // bit n-1 set when port n could be opened
    // Bit n-1 set when port n is a raw network stream, whose baud rate is set on the device
    // server: only fixedRateBaud is tried there, as no other rate could reach the line.
    int32_t FixedRatePort = 0;
    int Step = 1;             // 1 to 4, see PortScan
    int baudi = 1;            // baud rate being tried, 1 to 5
    int idi = 1;              // device ID being tried, 1 to 9
    QString FoundBaud;        // baud rate text being tried; after a find, the one found
    QString FoundID;          // device ID text being tried; after a find, the one found
    QString SearchAllString;  // collect mode: one line per device found, each ended by CR LF

    // Where the scan looks; the search window looks everywhere: ports 1 to 15, every baud rate,
    // IDs "01" to "09". The command line may narrow the ports and rates, or widen the IDs to
    // "99". Set before reset().
    int firstPort = 1;
    int lastPort = kLastPort;
    QStringList bauds = serialBaudItems();
    int lastId = kLastId;                            // IDs "01" up to this one
    QString fixedRateBaud = QStringLiteral("9600");  // the rate given for a raw network stream

    QString caption = QStringLiteral("Progress");  // what the window's label shows
    int progress = 0;                              // 0 to kProgressMax
};

// The search for devices over ports 1 to 15, the five baud rates and device IDs "01" to "09",
// one small step per tick so that the window showing it stays responsive between steps:
//   1. one port per tick: can it be opened at all? (marks AvailablePort)
//   2. one port per tick: the next marked port
//   3. open that port at the next baud rate
//   4. one device ID per tick: send "DN" and wait for a name containing "KRB"
class PortScan : public ScanState {
  public:
    // The scan owns its port and closes it when it ends.
    explicit PortScan(std::unique_ptr<SerialPort> port);
    // The scan works on a port that another owns (a line engine); whoever owns it closes it at
    // the end, the scan never touches it again after its last step.
    explicit PortScan(SerialPort& port);
    ~PortScan();
    PortScan(const PortScan&) = delete;
    PortScan& operator=(const PortScan&) = delete;

    // One step of the scan.
    ScanTick tick();
    // Closes the port if it is open; a failure to close changes nothing for the scan.
    void closePort();

    SerialPort& port() { return *port_; }

  private:
    ScanTick checkPort();
    ScanTick nextUsablePort();
    ScanTick openAtBaud();
    ScanTick queryId();
    void discardPending();
    bool awaitName();
    ScanTick nextId();
    ScanTick nextPort();
    bool opensForCheck();
    bool isMarked(int portNumber) const;
    bool isFixedRate(int portNumber) const;
    // The rates step 3 tries on the port under examination.
    QStringList ratesHere() const;
    QString rateNote() const;
    void addProgress(int amount);
    QString resultLine() const;

    std::unique_ptr<SerialPort> owned_;  // none when another owns the port
    SerialPort* port_;
};
