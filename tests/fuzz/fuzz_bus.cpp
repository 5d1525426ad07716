// A bus whose device 01 answers with arbitrary bytes beside a healthy device 02: polled in turn,
// then diagnosed. Whatever 01 sends, and wherever the port vanishes, the passes and the diagnosis
// end, every exchange is counted once as answered or unanswered, and the doctor's report (which
// quotes what devices answered) holds only printable text and line ends.
//
// Input: a mode byte (bit 0: characters take their line time; bit 1: the port vanishes; bit 2:
// replies carry a "#" prefix), the count of port operations before it vanishes, then device
// 01's replies separated by 0xFF (each frame to it is answered by the next; then as usual).
#include <QJsonDocument>

#include "fuzz_support.h"
#include "monitor/bus_doctor.h"
#include "monitor/bus_poll.h"

namespace {

void checkCounts(const QMap<QString, LineQuality>& devices, bool portLost) {
    for (const LineQuality& q : devices) {
        fuzzCheck(portLost || q.answered + q.unanswered == q.exchanges,
                  "every exchange is answered or unanswered");
        fuzzCheck(q.doubled <= q.garbled, "second answers count among the garbled");
        fuzzCheck(q.replyTimes.count() <= int(q.answered), "a reply time per reply at most");
    }
}

void checkPrintable(const QString& text) {
    for (const QChar c : text) {
        fuzzCheck(c == QLatin1Char('\n') || c.isPrint(), "the report is printable text");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) {
        return 0;
    }
    const uint8_t mode = data[0];
    SimHub hub;
    hub.pacing = (mode & 1) != 0;
    SimBus& bus = hub.addPort(1);
    SimDevice& device = bus.addDevice(1);
    bus.addDevice(2);
    device.faults.rawReplies = splitReplies(inputBytes(data, size, 2));
    device.forcePrefix = (mode & 4) != 0;
    VanishingPort port(hub, (mode & 2) != 0 ? data[1] : -1);
    openPort(port, 1, QStringLiteral("9600"));
    LineState line;
    {
        BusPoll poll(port, line, 9600);
        poll.setIds({QStringLiteral("01"), QStringLiteral("02")});
        for (int i = 0; i < 3 && poll.pass(); ++i) {
        }
        checkCounts(poll.tally().devices(), port.vanished());
    }
    DoctorPlan plan;
    plan.ids = QStringList{QStringLiteral("01"), QStringLiteral("02")};
    plan.rounds = 2;
    BusDoctor doctor(port, line, 9600, plan);
    for (int steps = 0; doctor.step(); ++steps) {
        fuzzCheck(steps < 1000, "the diagnosis ends");
    }
    const DoctorReport& report = doctor.report();
    checkCounts(report.quality, port.vanished());
    checkPrintable(doctorReportText(report));
    fuzzCheck(!QJsonDocument(doctorReportJson(report)).toJson().isEmpty(), "the report is JSON");
    return 0;
}
