#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QElapsedTimer>

#include "link/network_port.h"
#include "support/byte_list.h"
#include "support/loopback_server.h"
#include "support/qt_printers.h"

namespace {

NetworkAddress loopback(NetworkProtocol protocol, quint16 port) {
    return NetworkAddress{protocol, QStringLiteral("127.0.0.1"), port};
}

// Opens the port the way every window does, and returns why it failed ("" when it opened).
QString openFailure(NetworkPort& port, const QString& baud = QStringLiteral("9600")) {
    try {
        openPort(port, 5, baud);
        return QString();
    } catch (const PortError& e) {
        return e.description();
    }
}

// A server of the COM port option that agrees to everything it is asked, except a baud rate
// other than the one it runs at, which it answers with its own; then it sends reply.
LoopbackServer::Handler comPortServer(quint32 runsAt, QByteArray reply = {},
                                      QByteArray* heard = nullptr) {
    return [=](int fd) {
        LoopbackServer::writeAll(fd, byteList({255, 253, 44, 255, 251, 0, 255, 253, 0}));
        QByteArray got;
        const auto await = [&](const QByteArray& command) {
            for (int i = 0; i < 40 && !got.contains(command); ++i) {
                got += LoopbackServer::readFor(fd, 50);
            }
        };
        const auto answer = [&](int command, const QByteArray& value) {
            LoopbackServer::writeAll(
                fd, byteList({255, 250, 44, command + 100}) + value + byteList({255, 240}));
        };
        await(byteList({255, 250, 44, 5, 1, 255, 240}));  // the settings end with no flow control
        answer(1, byteList({int(runsAt >> 24), int((runsAt >> 16) & 255), int((runsAt >> 8) & 255),
                            int(runsAt & 255)}));
        answer(2, byteList({8}));
        answer(3, byteList({1}));
        answer(4, byteList({1}));
        answer(5, byteList({1}));
        await(byteList({255, 250, 44, 5, 9, 255, 240}));  // DTR off
        answer(5, byteList({9}));
        LoopbackServer::writeAll(fd, reply);
        got += LoopbackServer::readFor(fd, 300);
        if (heard) {
            *heard = got;
        }
    };
}

TEST(NetworkPort, ExplainsEachWayTheConnectionFails) {
    struct Case {
        const char* name;
        HostLookup lookup;
        const char* description;
        const char* help;
    };
    const quint16 closed = closedLoopbackPort();
    const Case cases[] = {
        {"refused",
         {HostLookup::Outcome::Found, {QHostAddress(QHostAddress::LocalHost)}},
         "cabinet-gw:%1 refused the connection",
         "Nothing takes connections at that port: check the port number, and that the device "
         "server is on and its port is set up as a TCP server."},
        {"name unknown",
         {HostLookup::Outcome::NotFound, {}},
         "Host cabinet-gw not found",
         "Check the host name, or give the device server's IP address."},
        {"name server silent",
         {HostLookup::Outcome::TimedOut, {}},
         "The name cabinet-gw could not be looked up within 3 s",
         "The name server does not answer: give the device server's IP address instead of its "
         "name, or check the network settings."},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        NetworkPort port(
            NetworkAddress{NetworkProtocol::RawTcp, QStringLiteral("cabinet-gw"), closed},
            [&](const QString&, int) { return c.lookup; });
        EXPECT_EQ(openFailure(port),
                  QString::fromUtf8(c.description).replace("%1", QString::number(closed)));
        EXPECT_EQ(port.openFailureHelp(), QString::fromUtf8(c.help));
        EXPECT_FALSE(port.isOpen());
    }
}

// A listener on 127.0.0.1 whose queue of connections not yet accepted is full: the system drops
// a further connect's first packet, as a host that is switched off would, and the connect waits.
struct FullListener {
    FullListener() {
        listener = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        ::bind(listener, reinterpret_cast<sockaddr*>(&a), sizeof a);
        ::listen(listener, 0);
        socklen_t len = sizeof a;
        ::getsockname(listener, reinterpret_cast<sockaddr*>(&a), &len);
        port = ntohs(a.sin_port);
        filler = ::socket(AF_INET, SOCK_STREAM, 0);
        ::connect(filler, reinterpret_cast<sockaddr*>(&a), sizeof a);
    }
    ~FullListener() {
        ::close(filler);
        ::close(listener);
    }
    int listener = -1;
    int filler = -1;
    quint16 port = 0;
};

TEST(NetworkPort, AConnectNobodyAnswersGivesUpAfterThreeSeconds) {
    FullListener full;
    NetworkPort port(loopback(NetworkProtocol::RawTcp, full.port));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(openFailure(port),
              QStringLiteral("No answer from 127.0.0.1:%1 within 3 s").arg(full.port));
    EXPECT_GE(clock.elapsed(), 2900);
    EXPECT_LT(clock.elapsed(), 6000);
    EXPECT_EQ(port.openFailureHelp(),
              "Check that the device server is on and can be reached from this computer (cable, "
              "network, firewall).");
}

TEST(NetworkPort, AServerThatNeverAnswersTheNegotiationFailsTheOpenWithinItsTime) {
    LoopbackServer silent;  // accepts (in the system's backlog) and never answers
    NetworkPort port(loopback(NetworkProtocol::Rfc2217, silent.port()));
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(openFailure(port),
              QStringLiteral("No RFC 2217 answer from 127.0.0.1:%1 within 3 s").arg(silent.port()));
    EXPECT_GE(clock.elapsed(), 2900);
    EXPECT_LT(clock.elapsed(), 6000);
    EXPECT_TRUE(port.openFailureHelp().startsWith("Is the device server's port set to RFC 2217?"));
    EXPECT_FALSE(port.isOpen());
}

TEST(NetworkPort, ARawStreamOpensOnAnySilentServerAndReadsNothing) {
    LoopbackServer silent;
    NetworkPort port(loopback(NetworkProtocol::RawTcp, silent.port()));
    ASSERT_EQ(openFailure(port, "19200"), QString());
    EXPECT_FALSE(port.setsBaudRate()) << "the rate is the server's own";
    EXPECT_FALSE(port.waitForInput(30));
    EXPECT_EQ(port.read(), QByteArray());
}

TEST(NetworkPort, ARawStreamCarriesEveryByteUnchangedBothWays) {
    QByteArray heard;
    LoopbackServer server([&](int fd) {
        heard = LoopbackServer::readFor(fd, 300);
        LoopbackServer::writeAll(fd, byteList({'#', 255, 0, '\r'}));
        LoopbackServer::readFor(fd, 300);
    });
    NetworkPort port(loopback(NetworkProtocol::RawTcp, server.port()));
    ASSERT_EQ(openFailure(port), QString());
    port.setInputLength(100);
    port.write(byteList({'@', 255, '\r'}));
    ASSERT_TRUE(port.waitForInput(2000));
    QByteArray got;
    for (int i = 0; i < 50 && got.size() < 4; ++i) {
        port.waitForInput(20);
        got += port.read();
    }
    EXPECT_EQ(got, byteList({'#', 255, 0, '\r'}));
    port.close();
    server.join();
    EXPECT_EQ(heard, byteList({'@', 255, '\r'}));
}

TEST(NetworkPort, SetsTheLineAtOpenAndUnescapesTheReply) {
    QByteArray heard;
    LoopbackServer server(comPortServer(9600, byteList({'K', 255, 255, '\r'}), &heard));
    NetworkPort port(loopback(NetworkProtocol::Rfc2217, server.port()));
    ASSERT_EQ(openFailure(port), QString());
    EXPECT_TRUE(port.setsBaudRate());
    port.setInputLength(100);
    QByteArray got;
    for (int i = 0; i < 100 && got.size() < 3; ++i) {
        port.waitForInput(20);
        got += port.read();
    }
    EXPECT_EQ(got, byteList({'K', 255, '\r'}));
    port.write(byteList({'@', 255, '\r'}));
    port.close();
    server.join();
    // 9600 baud, 8 data bits, no parity, 1 stop bit, no flow control, DTR off, then a purge;
    // the data's 0xFF doubled.
    EXPECT_TRUE(
        heard.contains(byteList({255, 250, 44,  1,   0,   0,   37,  128, 255, 240, 255, 250, 44,
                                 2,   8,   255, 240, 255, 250, 44,  3,   1,   255, 240, 255, 250,
                                 44,  4,   1,   255, 240, 255, 250, 44,  5,   1,   255, 240})))
        << heard.toHex(' ').toStdString();
    EXPECT_TRUE(heard.contains(byteList({255, 250, 44, 12, 3, 255, 240})));
    EXPECT_TRUE(heard.endsWith(byteList({'@', 255, 255, '\r'}))) << heard.toHex(' ').toStdString();
}

TEST(NetworkPort, ReconnectsWhenTheServerClosesANewConnectionAtOnce) {
    // Busy with the last client, the server lets the first try go; the second is served.
    int connection = 0;
    const LoopbackServer::Handler serve = comPortServer(9600);
    LoopbackServer server(
        [&](int fd) {
            if (++connection > 1) {
                serve(fd);
            }
        },
        2);
    NetworkPort port(loopback(NetworkProtocol::Rfc2217, server.port()));
    EXPECT_EQ(openFailure(port), QString());
    EXPECT_TRUE(port.isOpen());
    port.close();
    server.join();
    EXPECT_EQ(connection, 2);
}

TEST(NetworkPort, ReportsASettingTheServerRefused) {
    LoopbackServer server(comPortServer(9600));
    NetworkPort port(loopback(NetworkProtocol::Rfc2217, server.port()));
    EXPECT_EQ(openFailure(port, "19200"),
              QStringLiteral("The device server refused 19200 baud (it answered 9600 baud)"));
}

TEST(NetworkPort, AConnectionClosedByTheServerIsAPortThatVanished) {
    LoopbackServer server([](int fd) { LoopbackServer::readFor(fd, 100); });
    NetworkPort port(loopback(NetworkProtocol::RawTcp, server.port()));
    ASSERT_EQ(openFailure(port), QString());
    QString failure;
    try {
        for (int i = 0; i < 100; ++i) {
            port.waitForInput(20);
        }
    } catch (const PortError& e) {
        failure = e.description();
    }
    EXPECT_EQ(
        failure,
        QStringLiteral("The device server 127.0.0.1:%1 closed the connection").arg(server.port()));
    EXPECT_FALSE(port.isOpen());
    EXPECT_THROW(port.write("@01ID\r"), PortError);
}

}  // namespace
