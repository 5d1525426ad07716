// "doctor": the bus doctor without a window.
#include <QJsonObject>
#include <csignal>

#include "cli/cli_common.h"
#include "files/settings_file.h"
#include "monitor/bus_doctor.h"

namespace {

volatile std::sig_atomic_t cancelRequested = 0;
void onCancelSignal(int) {
    cancelRequested = 1;
}

}  // namespace

int runDoctor(const QStringList& args) {
    Output out;
    CommandLine cl(
        QStringLiteral("doctor"),
        QStringLiteral(
            "Looks for what is wrong on a line of devices, with harmless queries only (nothing is "
            "written, nothing moves): \"DN\" to see who is there, then \"ID\", \"VER\", \"DN\" "
            "and 10 rounds of \"ID\", \"PX\", \"EX\" to each device, and \"DN\" at the other baud "
            "rates to each silent one. Prints what it found (silent devices, two devices on one "
            "ID, devices at another baud rate, a noisy line, slow devices, late replies), each "
            "with what to check, then the figures per device and what was sent. Exit code 0 "
            "when nothing is wrong, 1 when something is. Without --id and --all-ids it looks at "
            "IDs 01 to 09."),
        QString());
    cl.addConnection(true);
    cl.addJson();
    const QCommandLineOption allIdsOption(
        "all-ids", "Look at every ID, 01 to 99, instead of 01 to 09 (not with --id).");
    cl.parser.addOption(allIdsOption);
    if (const auto end = cl.parse(args, out)) {
        return *end;
    }
    out.json = cl.parser.isSet(cl.json);
    cl.requireNoArguments();
    const CliPort where = cl.linePort();
    const QString baud = cl.baudRate();
    DoctorPlan plan;
    if (cl.parser.isSet(QStringLiteral("id"))) {
        if (cl.parser.isSet(allIdsOption)) {
            throw CliError{kExitUsage, QStringLiteral("--id and --all-ids exclude each other")};
        }
        plan.ids = cl.deviceIds();
    } else {
        plan.lookAt = deviceIdEntries().mid(0, cl.parser.isSet(allIdsOption) ? 99 : 9);
        plan.probeAbsent = true;
    }

    LineState line;
    const auto port = openLine(where, baud, line);
    std::signal(SIGINT, onCancelSignal);
    std::signal(SIGTERM, onCancelSignal);
    BusDoctor doctor(*port, line, baud.toInt(), plan);
    out.progress(doctor.stepText());
    while (doctor.step()) {
        if (cancelRequested != 0) {
            doctor.cancel();
        }
        out.progress(QStringLiteral("%1/%2 %3")
                         .arg(doctor.stepsDone())
                         .arg(doctor.stepsTotal())
                         .arg(doctor.stepText()));
    }
    out.endProgress();
    const DoctorReport& report = doctor.report();
    if (out.json) {
        QJsonObject o = doctorReportJson(report);
        o.insert(QStringLiteral("port"), where.json());
        out.printJson(o);
    } else {
        QString text = doctorReportText(report);
        text.chop(1);  // its last line end
        for (const QString& line : text.split(QLatin1Char('\n'))) {
            out.line(line);
        }
    }
    if (report.portFailed) {
        out.error(QStringLiteral("%1: %2").arg(where.label(), report.error));
    }
    return report.findings.isEmpty() && !report.cancelled && !report.portFailed
               ? kExitDone
               : kExitDeviceFailure;
}
