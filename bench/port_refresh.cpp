// What the connection dialog's look at the serial lines costs. It looks every second while it is
// open: when nothing changed that is a few stat calls; when something did, the full look asks
// QSerialPortInfo and reads the by-id links and the ports folder.
//   port_refresh [N]   N looks of each kind (default 2000 unchanged, N/100 full)
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <cstdio>

#include "ports/com_ports.h"
#include "ports/port_inventory.h"

namespace {

// Average nanoseconds of one call.
template <typename F>
qint64 averageNs(int times, F&& call) {
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < times; ++i) {
        call();
    }
    return clock.nsecsElapsed() / times;
}

}  // namespace

int main(int argc, char* argv[]) {
    QCoreApplication app(argc, argv);
    const int looks = argc > 1 ? std::max(100, atoi(argv[1])) : 2000;
    QTemporaryDir dir;  // the ports folder: links made here, not in the user's
    SystemPortInventory inventory;
    ComPorts ports(inventory, dir.filePath("ports"));
    ports.refresh(true);

    const qint64 fullNs = averageNs(looks / 100, [&] { ports.refresh(true); });
    const qint64 unchangedNs = averageNs(looks, [&] { ports.refresh(); });
    printf("serial lines listed: %lld\n", static_cast<long long>(ports.state().adapters.size()));
    printf("full look (something changed):   %8.3f ms\n", fullNs / 1e6);
    printf("look with nothing changed:       %8.3f ms\n", unchangedNs / 1e6);
    printf("per second of the dialog open:   %8.3f ms (one look a second)\n", unchangedNs / 1e6);
    return 0;
}
