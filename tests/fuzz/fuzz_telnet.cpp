// Arbitrary bytes from a client of the simulator's Telnet server (RFC 2217 ports): however the
// stream is cut into reads, the same data and answers come out; the line's settings stay within
// their ranges; every answer is a whole, well-formed Telnet sequence; a stream without 0xFF is
// all data.
#include <QList>
#include <QPair>
#include <cstdint>

#include "fuzz_support.h"
#include "sim/telnet_server.h"

namespace {

// What came out, in order: the data, where in it each purge applied, the answers.
struct Outcome {
    QByteArray data;
    QList<QPair<qsizetype, int>> purges;
    QByteArray answers;
};

void take(TelnetServer& server, const QByteArray& bytes, Outcome& out) {
    out.data += server.receive(bytes);
    out.answers += server.takeAnswers();
    if (const int purges = server.takePurges()) {
        out.purges.append({out.data.size(), purges});
    }
}

// The stream fed in reads of the given sizes (cycled), or whole when none are given; what waits
// behind a purge is read before the next bytes, as the network port does.
Outcome feed(TelnetServer& server, const QByteArray& stream, const QByteArray& sizes) {
    Outcome out;
    for (qsizetype at = 0, i = 0; at < stream.size(); ++i) {
        const qsizetype n =
            sizes.isEmpty() ? stream.size() : 1 + static_cast<uchar>(sizes[i % sizes.size()]) % 16;
        take(server, stream.mid(at, n), out);
        for (int rounds = 0; server.hasInput(); ++rounds) {
            fuzzCheck(rounds <= stream.size(), "what waits behind purges is read in the end");
            take(server, QByteArray(), out);
        }
        at += n;
    }
    return out;
}

// Answers are option replies (IAC verb option) and COM port answers (IAC SB 44 code+100 ...
// IAC SE) with every 0xFF inside doubled.
bool wellFormed(const QByteArray& answers) {
    const auto at = [&](qsizetype i) { return i < answers.size() ? uchar(answers[i]) : -1; };
    for (qsizetype i = 0; i < answers.size();) {
        if (at(i) != 255) {
            return false;
        }
        if (at(i + 1) >= 251 && at(i + 1) <= 254 && at(i + 2) >= 0) {
            i += 3;
            continue;
        }
        if (at(i + 1) != 250 || at(i + 2) != 44 || at(i + 3) < 100 || at(i + 3) > 112) {
            return false;
        }
        for (i += 4;; ++i) {
            if (at(i) < 0) {
                return false;
            }
            if (at(i) == 255) {
                if (at(i + 1) == 240) {
                    i += 2;
                    break;
                }
                if (at(i + 1) != 255) {
                    return false;
                }
                ++i;
            }
        }
    }
    return true;
}

}  // namespace

// The first byte's low bits choose read sizes from the next bytes; the rest is the stream.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const QByteArray input = inputBytes(data, size, 0);
    const qsizetype sizeCount = input.isEmpty() ? 0 : uchar(input[0]) % 8;
    const QByteArray sizes = input.mid(1, sizeCount);
    const QByteArray stream = input.mid(1 + sizeCount);

    TelnetServer whole;
    TelnetServer split;
    const Outcome a = feed(whole, stream, {});
    const Outcome b = feed(split, stream, sizes);
    fuzzCheck(a.data == b.data && a.answers == b.answers && a.purges == b.purges,
              "the same data, answers and purges however the stream is read");
    fuzzCheck(a.data.size() <= stream.size(), "no more data than came");
    fuzzCheck(wellFormed(a.answers), "answers are whole Telnet sequences");
    for (const auto& [at, purge] : a.purges) {
        fuzzCheck(purge >= 1 && purge <= 3, "purges are of the two buffers");
    }
    fuzzCheck(whole.baud() >= 50 && whole.baud() <= 230400, "the baud rate within its range");
    fuzzCheck(whole.dataSize() >= 5 && whole.dataSize() <= 8, "data bits 5 to 8");
    fuzzCheck(whole.parity() >= 1 && whole.parity() <= 5, "parity 1 to 5");
    fuzzCheck(whole.stopSize() >= 1 && whole.stopSize() <= 3, "stop bits 1 to 3");
    fuzzCheck(whole.baud() == split.baud() && whole.dtr() == split.dtr(),
              "the same settings however the stream is read");
    if (!stream.contains('\xff')) {
        fuzzCheck(a.data == stream && a.answers.isEmpty(), "a stream without 0xFF is all data");
    }
    return 0;
}
