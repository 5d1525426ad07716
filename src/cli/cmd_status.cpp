// "info": the main window's identification and status read once, without a window.
#include <QJsonObject>

#include "cli/cli_common.h"
#include "cli/status_text.h"
#include "files/printable_text.h"
#include "link/messages.h"
#include "monitor/identification.h"
#include "monitor/status_cycle.h"

int runInfo(const QStringList& args) {
    Output out;
    CommandLine cl(QStringLiteral("info"),
                   QStringLiteral("Identifies the device (\"ID\", \"VER\", \"DN\") and reads "
                                  "every value of the main window's status panel once, decoded."),
                   QString());
    cl.addConnection();
    cl.addJson();
    if (const auto end = cl.parse(args, out)) {
        return *end;
    }
    out.json = cl.parser.isSet(cl.json);
    cl.requireNoArguments();
    const CliPort where = cl.linePort();
    const QString baud = cl.baudRate();
    const QString id = cl.deviceId();

    LineState line;
    const auto port = openLine(where, baud, line);
    const DeviceIdentification who = identifyDevice(*port, line, id);
    switch (who.end) {
        case DeviceIdentification::End::Identified:
            break;
        case DeviceIdentification::End::Silent:
            out.error(QStringLiteral("%1: no reply to \"ID\" on %2 at %3 baud")
                          .arg(id, where.label(), baud));
            return kExitDeviceFailure;
        case DeviceIdentification::End::OtherDevice:
            out.error(
                QStringLiteral("%1: ID does not match: %2").arg(id, printableText(who.identity)));
            return kExitDeviceFailure;
        case DeviceIdentification::End::Failed:
            out.error(QStringLiteral("%1: no reply to \"%2\"")
                          .arg(id, who.version.isEmpty() ? "VER" : "DN"));
            return kExitDeviceFailure;
        case DeviceIdentification::End::PortFailed:
            out.error(QStringLiteral("%1: %2").arg(where.label(), who.error));
            return kExitDeviceFailure;
    }
    StatusCycle cycle(*port, line, id);
    const StatusCycle::Tick tick = cycle.readAll();
    if (tick == StatusCycle::Tick::PortFailed) {
        out.error(QStringLiteral("%1: %2").arg(where.label(), cycle.error()));
        return kExitDeviceFailure;
    }
    if (out.json) {
        out.printJson(QJsonObject{{"id", id},
                                  {"port", where.json()},
                                  {"baud", baud},
                                  {"identity", who.identity},
                                  {"version", who.version},
                                  {"name", who.name},
                                  {"communication", cycle.communicating},
                                  {"status", statusJson(cycle.status)}});
    } else {
        const DeviceStatus& s = cycle.status;
        const auto line = [&out](const char* label, const QString& shown) {
            out.line(
                QStringLiteral("%1 %2").arg(QString::fromLatin1(label).leftJustified(10), shown));
        };
        // Every value below is the device's.
        const auto row = [&line](const char* label, const QString& value) {
            line(label, printableText(value));
        };
        line("Device", QStringLiteral("%1 on %2 at %3 baud").arg(id, where.label(), baud));
        row("Identity", who.identity);
        row("Version", who.version);
        row("Name", who.name);
        row("Encoder", valueText(s.encoder));
        row("Position", valueText(s.position));
        row("Delta", valueText(s.delta));
        row("Speed", valueText(s.speed));
        row("Status", s.motion ? motionText(*s.motion) : QString());
        row("PosGuard", valueText(s.posGuard));
        row("Latch", QStringLiteral("%1 (position %2, encoder %3)")
                         .arg(s.latch ? s.latch->text : QString(), valueText(s.latchPosition),
                              valueText(s.latchEncoder)));
        row("Sync", valueText(s.sync));
        row("Current", s.current ? QString::number(*s.current) : QString());
        row("Inputs", s.inputs ? lampsOn(*s.inputs, kInputs) : QString());
        row("Outputs", s.outputs ? lampsOn(*s.outputs, kOutputs) : QString());
        row("S-curve", s.sCurve ? onOff(*s.sCurve) : QString());
        row("Enabled", s.enabled ? onOff(*s.enabled) : QString());
        row("Mode", valueText(s.moveMode));
    }
    if (!cycle.communicating) {
        out.error(QStringLiteral("%1 stopped answering while its status was read").arg(id));
        return kExitDeviceFailure;
    }
    return kExitDone;
}
