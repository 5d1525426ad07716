// Arbitrary bytes from a device server: as a Telnet stream, fed whole and in pieces, and as a
// network port's entry in the ports folder. The stream's data never holds more than came, is the
// same however the bytes are split, and nothing the server sends makes the client keep more than
// a few bytes or answer anything but a refusal; an address read from a file names a host the
// program may connect to and reads back as itself.
#include <algorithm>

#include "fuzz_support.h"
#include "link/network_address.h"
#include "link/telnet_client.h"
#include "ports/network_ports.h"

namespace {

constexpr uint8_t kIac = 255;

// Each reply is IAC, then WONT or DONT, then an option.
bool onlyRefusals(const QByteArray& replies) {
    if (replies.size() % 3 != 0) {
        return false;
    }
    for (qsizetype i = 0; i < replies.size(); i += 3) {
        const auto verb = static_cast<uint8_t>(replies[i + 1]);
        if (static_cast<uint8_t>(replies[i]) != kIac || (verb != 252 && verb != 254)) {
            return false;
        }
    }
    return true;
}

void checkStream(const QByteArray& bytes, size_t step) {
    TelnetClient whole;
    const QByteArray data = whole.feed(bytes);
    fuzzCheck(data.size() <= bytes.size(), "no more data than came");
    fuzzCheck(onlyRefusals(whole.takeReplies()), "answers only refuse options");
    TelnetClient pieces;
    QByteArray pieceData;
    for (qsizetype i = 0; i < bytes.size(); i += static_cast<qsizetype>(step)) {
        pieceData += pieces.feed(bytes.mid(i, static_cast<qsizetype>(step)));
    }
    fuzzCheck(pieceData == data, "the data does not depend on how the stream was split");
    fuzzCheck(pieces.comPort() == whole.comPort(), "the option's state does not either");
    for (uint8_t command = 0; command < 156; ++command) {
        QByteArray a;
        QByteArray b;
        const bool hasA = whole.takeAnswer(command, a);
        fuzzCheck(hasA == pieces.takeAnswer(command, b) && a == b, "answers agree");
        fuzzCheck(a.size() <= 16, "an answer is kept only when short");
    }
}

void checkEntry(const QByteArray& bytes) {
    const NetworkEntry entry = parseNetworkEntry(bytes);
    fuzzCheck(entry.address.has_value() != !entry.problem.isEmpty(), "an address or a reason");
    if (entry.problem.size() > 0) {
        fuzzCheck(std::all_of(entry.problem.begin(), entry.problem.end(),
                              [](QChar c) { return c.isPrint(); }),
                  "the reason may be shown as it is");
    }
    if (!entry.address) {
        return;
    }
    fuzzCheck(isValidHost(entry.address->host), "the host is one the program connects to");
    fuzzCheck(entry.address->port >= 1, "the port is a port");
    const ParsedAddress again = parseNetworkAddress(entry.address->text());
    fuzzCheck(again.address == entry.address, "the address reads back as itself");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) {
        return 0;
    }
    const QByteArray bytes = inputBytes(data, size, 1);
    checkStream(bytes, std::max<size_t>(1, data[0] % 8));
    checkEntry(bytes);
    return 0;
}
