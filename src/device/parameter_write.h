#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

#include "device/parameter_set.h"
#include "device/parameter_verify.h"

class DeviceSession;
class RecordingReporter;

// How one parameter set is written to the devices of a line.
struct WriteOptions {
    // Lines 12 to 16 of the file (method, device ID, node ID, serial baud rate, CAN bit rate)
    // are written too, each change confirmed; otherwise each device keeps how it is reached.
    bool communication = false;
    bool rt = false;           // "RT=1" instead of the window's unchecked box
    bool verify = false;       // read back and compare
    bool store = false;        // "STORE" once written (and verified, when asked)
    bool stopOnError = false;  // no further device after one that failed or did not verify
};

// What happened at one device.
struct DeviceWriteReport {
    enum class Step { Read, Write, Verify, Store };

    QString id;
    bool tried = false;
    QString notTriedBecause;       // when not tried
    std::optional<Step> failedAt;  // the step at which the device or the line failed
    QString failedCommand;         // the command it failed at
    QString reason;                // what was said about the failure
    bool lineFailed = false;       // the failure was the line's: no device after it is tried
    bool written = false;          // the download ran to "Download Done!"
    QStringList answered;          // the download's commands that got through, in order
    std::optional<QList<ParameterDifference>> differences;  // when read back
    std::optional<bool> stored;  // when "STORE" was answered: whether with "OK"
    bool storeSkipped = false;   // asked for, but the read-back differed
    QStringList messages;        // everything the operations said, in order

    bool failed() const { return failedAt.has_value() || (stored && !*stored); }
    bool mismatch() const { return differences && !differences->isEmpty(); }
};

struct WriteSummary {
    QList<DeviceWriteReport> devices;
    // 0 every device got everything asked for, 1 a device or the line failed, 3 a read-back
    // differed (and nothing failed).
    int exitCode() const;
    // One line per device: what it got and what not.
    QStringList lines() const;
};

QString summaryLine(const DeviceWriteReport& report);

// The set a device is sent: the file's values over the device's own, as the parameter window
// holds them after its opening upload and the opening of the file. Lines 12 to 16 only with
// options.communication; the guard ratio and deceleration enable, which no file holds, stay the
// device's; "RT" as options.rt says.
ParameterSet valuesToWrite(const ParameterSet& device, const ParameterSet& file,
                           const WriteOptions& options);

// Writes the file's set to each device in turn over the session's open line: reads the
// device's own values first, downloads, then reads back and compares, then stores, as the
// options ask. The session's reporter must be the recorder given, which keeps what each device
// was told; its answer to the questions of the communication settings is set here (Yes only
// with options.communication). progress, when set, hears "<id>: reading", and so on.
WriteSummary writeToDevices(DeviceSession& session, RecordingReporter& reporter,
                            const ParameterSet& file, const QStringList& ids,
                            const WriteOptions& options,
                            const std::function<void(const QString&)>& progress = {});
