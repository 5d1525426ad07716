// Feeds arbitrary device bytes to the exchange through both windows' policies, with and
// without auto-response mode. Whatever the device sends, the exchange must end, and end with a
// result the policy allows.
#include <cstdint>
#include <cstdlib>

#include "link/main_policy.h"
#include "link/parameter_policy.h"
#include "sim/sim_port.h"

namespace {

struct QuietHost : MainLinkHost {
    void tell(const QString&) override {}
    void showNoCommunication() override {}
    void showInvalidPort() override {}
};

void check(bool condition) {
    if (!condition) {
        abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const uint8_t mode = data[0];
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), static_cast<int>(size - 1));

    SimHub hub;
    SimDevice& device = hub.addPort(1).addDevice(1);
    // The device's whole answer is the input; a high mode bit makes it stream on afterwards.
    device.faults.rawReplies = {bytes};
    device.faults.endless = (mode & 4) != 0;
    hub.pacing = (mode & 8) != 0;
    SimPort port(hub);
    openPort(port, 1, "9600");
    ConnectionValues values;
    values.ComAddress = "01";
    values.ComPortStatus = true;
    values.ComStatus = true;

    const qint64 start = hub.nowMs();
    QString reply;
    if (mode & 1) {
        ParameterPolicy policy(port, values, [](const QString&) {});
        reply = policy.SendReceive("PX");
        check(!reply.isEmpty() || values.ComStatus);  // "" only after a port failure
    } else {
        QuietHost host;
        MainPolicy policy(port, values, host);
        policy.ARMode = (mode & 2) != 0;
        reply = policy.SendReceive("PX");
        check(values.ComStatus || reply == "0");
    }
    check(!reply.contains(QLatin1Char('\r')));
    // Two attempts, each bounded by its budget: a few seconds of device time at most.
    check(hub.nowMs() - start < 20000);
    return 0;
}
