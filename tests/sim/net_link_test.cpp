// A network port in this process, with a client on 127.0.0.1: what it holds for a client that
// does not read, and the Telnet escaping of what it sends.
#include <gtest/gtest.h>

#include <QStringList>

#include "sim/net_link.h"
#include "support/local_client.h"
#include "support/qt_printers.h"

namespace {

// Accepts the client that connected (the link accepts when it reads).
void accept(NetLink& link) {
    for (int i = 0; i < 1000 && !link.connected(); ++i) {
        link.readAvailable();
    }
}

// A client that reads nothing: the link holds at most 64 KiB beyond what the sockets take, drops
// the rest once with a note, and what it took arrives whole and in order once the client reads.
TEST(NetLink, HoldsBoundedOutputForAClientThatDoesNotRead) {
    NetLink link(3, NetLink::Kind::Raw, 0, 9600);
    QStringList notes;
    link.note = [&](const QString& note) { notes << note; };
    link.create();
    LocalClient client;
    ASSERT_TRUE(client.connect(link.tcpPort(), 4096));
    accept(link);
    ASSERT_TRUE(link.connected());

    QByteArray taken;
    int refused = 0;
    for (int i = 0; i < 20000; ++i) {
        const QByteArray chunk(1000, static_cast<char>('a' + i % 26));
        const int n = link.writeSome(chunk);
        ASSERT_TRUE(n == 0 || n == chunk.size());
        ASSERT_LE(link.pendingBytes(), 64 * 1024);
        if (n > 0) {
            taken += chunk;
        } else {
            ++refused;
        }
    }
    EXPECT_GT(refused, 0);
    EXPECT_EQ(notes, QStringList({"client connected",
                                  "client reads nothing: output dropped beyond 65536 bytes"}));
    QByteArray got;
    for (int i = 0; i < 2000 && got.size() < taken.size(); ++i) {
        got += client.read(5);
        link.readAvailable();  // sends what it holds as the socket takes it
    }
    EXPECT_EQ(got.size(), taken.size());
    EXPECT_TRUE(got == taken);
}

TEST(NetLink, Rfc2217DoublesTheByte0xFfItSends) {
    NetLink link(4, NetLink::Kind::Rfc2217, 0, 9600);
    link.create();
    LocalClient client;
    ASSERT_TRUE(client.connect(link.tcpPort()));
    accept(link);
    EXPECT_EQ(link.writeSome(QByteArray("\xff"
                                        "A\xff",
                                        3)),
              3);
    EXPECT_EQ(client.read(2000, 5), QByteArray("\xff\xff"
                                               "A\xff\xff",
                                               5));
    EXPECT_EQ(link.address(), QStringLiteral("rfc2217://127.0.0.1:%1").arg(link.tcpPort()));
}

}  // namespace
