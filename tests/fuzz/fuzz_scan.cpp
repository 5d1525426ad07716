// The port scan against a device that answers its name query with arbitrary bytes. Whatever it
// answers, and wherever its port vanishes, the scan ends within its bounded number of steps and
// leaves no port open; a device is reported exactly when a line of its answer holds "KRB", and
// then with the port, baud rate and ID it answered on.
//
// Input: a mode byte (bit 0: list every device; bits 1-3: the device's baud rate; bit 4: its
// port vanishes), the device's ID less one, the step before which the port vanishes, then the
// device's answers separated by 0xFF.
#include "device/port_scan.h"
#include "files/settings_file.h"
#include "fuzz_support.h"
#include "link/reply_reader.h"

namespace {

// How many lines of the answer the scan reads as a name: at each CR within the read budget, the
// answer so far holds "KRB".
int namesIn(const QByteArray& answer) {
    int names = 0;
    const qsizetype end = std::min<qsizetype>(answer.size(), ReadBudget{}.characters);
    for (qsizetype i = 0; i < end; ++i) {
        if (answer[i] == '\r' && answer.left(i).contains("KRB")) {
            ++names;
        }
    }
    return names;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 3) {
        return 0;
    }
    const bool all = (data[0] & 1) != 0;
    const QString baud = baudRateEntries()[(data[0] >> 1 & 7) % 5];
    const bool vanishes = (data[0] & 16) != 0;
    const int id = data[1] % 12 + 1;
    const QList<QByteArray> answers = splitReplies(inputBytes(data, size, 3));

    SimHub hub;
    SimDevice& device = hub.addPort(1).addDevice(id, baud.toInt());
    device.faults.rawReplies = answers;
    PortScan scan(std::make_unique<SimPort>(hub));
    scan.reset();
    scan.SearchAll = all;
    ScanTick outcome = ScanTick::Continue;
    for (int ticks = 0; outcome == ScanTick::Continue && ticks < 2000; ++ticks) {
        if (vanishes && ticks == data[2]) {
            hub.vanish(1);
        }
        outcome = scan.tick();
        fuzzCheck(scan.progress >= 0 && scan.progress <= PortScan::kProgressMax, "progress range");
    }
    fuzzCheck(outcome != ScanTick::Continue, "the scan ends");
    fuzzCheck(outcome == ScanTick::Finished || (vanishes && data[2] == 0),
              "no port available only when the one port was never there");
    fuzzCheck(hub.open_.isEmpty(), "the scan leaves no port open");
    // The device answers the one query that reaches it: its ID (if the scan asks it) at its
    // baud rate; without scripted answers it answers its name.
    const QByteArray answer =
        answers.isEmpty() ? "KRB" + device.address().toLatin1() + "\r" : answers.first();
    if (vanishes || answer.size() > ReadBudget{}.characters) {
        return 0;
    }
    const int names = id <= PortScan::kLastId ? namesIn(answer) : 0;
    if (!all) {
        fuzzCheck(scan.SearchResult == (names > 0), "a device is found when it names itself");
        fuzzCheck(!scan.SearchResult || (scan.PortNumber == 1 && scan.FoundBaud == baud &&
                                         scan.FoundID == device.address()),
                  "a device is found where it answered");
        return 0;
    }
    const QString line =
        QStringLiteral("Found on Com Port:1 Baud:%1 ID:%2\r\n").arg(baud, device.address());
    fuzzCheck(scan.SearchAllString == line.repeated(names), "every name is listed once");
    return 0;
}
