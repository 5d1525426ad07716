// "read" and "write": parameter files to and from devices, through the parameter window's own
// upload and download.
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

#include "cli/cli_common.h"
#include "device/device_session.h"
#include "device/parameter_file.h"
#include "device/parameter_messages.h"
#include "device/parameter_upload.h"
#include "device/parameter_verify.h"
#include "device/parameter_write.h"
#include "device/recording_reporter.h"
#include "files/printable_text.h"
#include "link/system_port.h"

namespace {

// A parameter file is a few hundred bytes; a file named by mistake is not read whole.
constexpr qint64 kMaxParameterFileBytes = 1 << 20;

// A session on the real port, open, pointed at the first device.
void openSession(DeviceSession& session, const CliPort& port, const QString& baud,
                 const QString& id) {
    session.values = {id, baud, port.number, false, false};
    if (const auto failure = session.openLine()) {
        throw openFailure(port, *failure, session.port());
    }
    session.values.ComPortStatus = true;
    session.selectDevice(id);
}

QJsonObject parametersJson(const ParameterSet& set, const QStringList& keys) {
    QJsonObject o;
    for (const QString& key : keys) {
        o.insert(key, parameterValue(set, key));
    }
    return o;
}

// The file, read whole, or a CliError naming what is wrong with it.
ParameterSet readFile(const QString& path) {
    QFile file(path);
    if (!QFileInfo(path).isFile()) {
        throw CliError{kExitUsage, QStringLiteral("%1: no such file").arg(path)};
    }
    const QByteArray content =
        file.open(QIODevice::ReadOnly) ? file.read(kMaxParameterFileBytes) : QByteArray();
    if (file.error() != QFileDevice::NoError) {
        throw CliError{kExitUsage, QStringLiteral("%1: %2").arg(path, file.errorString())};
    }
    const ParameterFileRead read = readParameterFile(content);
    if (read.usableLines < kParameterFileLines) {
        throw CliError{kExitUsage,
                       QStringLiteral("%1: %2; nothing was sent")
                           .arg(path, printableText(unusableLineReason(content, read)))};
    }
    return read.values;
}

QJsonObject reportJson(const DeviceWriteReport& r) {
    static const char* const kSteps[] = {"read", "write", "verify", "store"};
    QJsonObject o{
        {"id", r.id}, {"tried", r.tried}, {"written", r.written}, {"summary", summaryLine(r)}};
    if (!r.tried) {
        o.insert("notTriedBecause", r.notTriedBecause);
    }
    if (r.failedAt) {
        o.insert("failedAt", kSteps[static_cast<int>(*r.failedAt)]);
        o.insert("failedCommand", r.failedCommand);
        o.insert("reason", r.reason);
        o.insert("lineFailed", r.lineFailed);
    }
    if (r.tried) {
        o.insert("answered", QJsonArray::fromStringList(r.answered));
    }
    if (r.differences) {
        QJsonArray diffs;
        for (const ParameterDifference& d : *r.differences) {
            diffs.append(QJsonObject{{"key", d.key}, {"written", d.written}, {"read", d.read}});
        }
        o.insert("differences", diffs);
    }
    if (r.stored) {
        o.insert("stored", *r.stored);
    }
    if (r.storeSkipped) {
        o.insert("storeSkipped", true);
    }
    o.insert("messages", QJsonArray::fromStringList(r.messages));
    return o;
}

// What a device was told beyond its summary line: the messages of the communication settings,
// a refusal of a change. The routine ones and the failure already named are left out.
QStringList notableMessages(const DeviceWriteReport& r) {
    QStringList out;
    for (const QString& m : r.messages) {
        if (m != QLatin1String(kDownloadDone) && m != QLatin1String(kStoreDone) && m != r.reason) {
            out << m;
        }
    }
    return out;
}

}  // namespace

int runRead(const QStringList& args) {
    Output out;
    CommandLine cl(QStringLiteral("read"),
                   QStringLiteral("Uploads a device's parameters into a parameter file, byte for "
                                  "byte the file the parameter window would save right after "
                                  "opening on that device."),
                   QStringLiteral(" -o FILE.par"));
    cl.addConnection();
    cl.addJson();
    const QCommandLineOption output({"o", "output"}, "The parameter file to write.", "FILE.par");
    cl.parser.addOption(output);
    if (const auto end = cl.parse(args, out)) {
        return *end;
    }
    out.json = cl.parser.isSet(cl.json);
    cl.requireNoArguments();
    const CliPort port = cl.linePort();
    const QString baud = cl.baudRate();
    const QString id = cl.deviceId();
    const QString path = cl.parser.value(output);
    if (path.isEmpty()) {
        throw CliError{kExitUsage, QStringLiteral("-o FILE.par is missing")};
    }

    RecordingReporter reporter;
    DeviceSession session(port.makePort(), reporter);
    openSession(session, port, baud, id);
    out.progress(id + QStringLiteral(": reading"));
    ParameterSet set;
    const UploadResult result = uploadParameters(session, set);
    session.closeLine();
    out.endProgress();
    if (!result.usable()) {
        out.error(QStringLiteral("%1: reading failed at %2: %3")
                      .arg(id, session.failedCommand(),
                           printableText(reporter.said.join(QStringLiteral("; ")))));
        return kExitDeviceFailure;
    }
    if (const auto failure = saveParameterFile(path, set)) {
        out.error(QStringLiteral("cannot write %1: %2").arg(path, *failure));
        return kExitUsage;
    }
    const bool complete = result.end == UploadEnd::Complete;
    if (out.json) {
        out.printJson(QJsonObject{{"id", id},
                                  {"file", path},
                                  {"complete", complete},
                                  {"parameters", parametersJson(set, result.taken)}});
    } else {
        out.line(QStringLiteral("%1: read into %2").arg(id, path));
    }
    if (!complete) {
        out.error(QStringLiteral("%1 does not know \"EDEC\" (nor \"RZ\"): line 21 holds the "
                                 "window's initial \"RZ\" off")
                      .arg(id));
    }
    return kExitDone;
}

int runWrite(const QStringList& args) {
    Output out;
    CommandLine cl(
        QStringLiteral("write"),
        QStringLiteral(
            "Downloads a parameter file to each listed device in turn, as the parameter window "
            "would after opening on the device and opening the file: each device's own values "
            "are read first, so that what the file does not hold (guard ratio, deceleration "
            "enable) stays the device's. How a device is reached (file lines 12 to 16: method, "
            "device ID, node ID, serial baud rate, CAN bit rate) is left as the device has it "
            "unless --comm is given. One device's failure does not stop the others unless "
            "--stop-on-error. A file that cannot be used is refused before anything is sent."),
        QStringLiteral(" FILE.par"));
    cl.addConnection(true);
    cl.addJson();
    const QCommandLineOption verify("verify",
                                    "Read each device back and compare; differences are listed "
                                    "per parameter (exit code 3).");
    const QCommandLineOption store("store",
                                   "Store to flash once written (not when the read-back differs).");
    const QCommandLineOption comm("comm",
                                  "Also write lines 12 to 16 of the file, answering Yes to each "
                                  "change. Takes exactly one device.");
    const QCommandLineOption rt("rt",
                                "\"Name appended to response\": on or off (default off, as "
                                "the window's box starts).",
                                "on|off", "off");
    const QCommandLineOption stopOnError(
        "stop-on-error", "No further device after one that failed or did not verify.");
    cl.parser.addOptions({verify, store, comm, rt, stopOnError});
    cl.parser.addPositionalArgument("FILE.par", "The parameter file to write.");
    if (const auto end = cl.parse(args, out)) {
        return *end;
    }
    out.json = cl.parser.isSet(cl.json);
    const QStringList files = cl.parser.positionalArguments();
    if (files.size() != 1) {
        throw CliError{kExitUsage, QStringLiteral("one parameter file is needed")};
    }
    const CliPort port = cl.linePort();
    const QString baud = cl.baudRate();
    const QStringList ids = cl.deviceIds();
    WriteOptions options;
    options.verify = cl.parser.isSet(verify);
    options.store = cl.parser.isSet(store);
    options.communication = cl.parser.isSet(comm);
    options.stopOnError = cl.parser.isSet(stopOnError);
    const QString rtValue = cl.parser.value(rt);
    if (rtValue != QLatin1String("on") && rtValue != QLatin1String("off")) {
        throw CliError{kExitUsage, QStringLiteral("--rt \"%1\": must be on or off").arg(rtValue)};
    }
    options.rt = rtValue == QLatin1String("on");
    if (options.communication && ids.size() != 1) {
        throw CliError{kExitUsage,
                       QStringLiteral("--comm takes exactly one device: it would give each of "
                                      "%1 the file's device ID and rates")
                           .arg(ids.join(QStringLiteral(", ")))};
    }
    const ParameterSet file = readFile(files.first());

    RecordingReporter reporter;
    DeviceSession session(port.makePort(), reporter);
    openSession(session, port, baud, ids.first());
    const WriteSummary summary = writeToDevices(
        session, reporter, file, ids, options, [&out](const QString& step) { out.progress(step); });
    session.closeLine();
    out.endProgress();
    if (out.json) {
        QJsonArray devices;
        for (const DeviceWriteReport& r : summary.devices) {
            devices.append(reportJson(r));
        }
        out.printJson(QJsonObject{{"file", files.first()},
                                  {"port", port.json()},
                                  {"baud", baud},
                                  {"devices", devices},
                                  {"exitCode", summary.exitCode()}});
    } else {
        for (const DeviceWriteReport& r : summary.devices) {
            // Both hold what the device and the file said: values read back, replies.
            out.line(printableText(summaryLine(r)));
            for (const QString& m : notableMessages(r)) {
                out.line(QStringLiteral("    ") + printableText(QString(m).replace('\r', ' ')));
            }
        }
    }
    return summary.exitCode();
}
