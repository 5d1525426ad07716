#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "link/system_port.h"
#include "ports/com_assignment.h"
#include "ports/network_ports.h"
#include "ports/port_names.h"
#include "support/config_home.h"
#include "support/loopback_server.h"
#include "support/qt_printers.h"

namespace {

QByteArray contentOf(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray("<unreadable>");
}

TEST(NetworkEntries, ReadTheAddressOrSayWhyTheFileHoldsNone) {
    struct Case {
        const char* content;
        const char* address;  // "" when refused
        const char* problem;
    };
    const Case cases[] = {
        {"rfc2217://cabinet-gw:4001\n", "rfc2217://cabinet-gw:4001", ""},
        {"tcp://10.1.2.3:23\r\n", "tcp://10.1.2.3:23", ""},
        {"  tcp://gw:23  \nsecond line ignored\n", "tcp://gw:23", ""},
        {"", "",
         "it holds no network address (): the address must start with tcp:// or rfc2217://"},
        {"tcp://gw:99999\n", "",
         "it holds no network address (tcp://gw:99999): the port must be a number from 1 to 65535"},
        {"tcp://gw\x1b[2J:23\n", "",
         "it holds no network address (tcp://gw\\x1B[2J:23): the host must be a name (letters, "
         "digits, '-', '.') or an IP address"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.content);
        const NetworkEntry e = parseNetworkEntry(QByteArray(c.content));
        EXPECT_EQ(e.address ? e.address->text() : QString(), QString::fromUtf8(c.address));
        EXPECT_EQ(e.problem, QString::fromUtf8(c.problem));
    }
}

TEST(NetworkEntries, AreWrittenInOneStepOverWhatWasThereAndReadBack) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("ports");
    const NetworkAddress gw{NetworkProtocol::Rfc2217, "cabinet-gw", 4001};
    ASSERT_EQ(setNetworkEntry(folder, 5, gw), QString());
    EXPECT_EQ(contentOf(folder + "/com5"), "rfc2217://cabinet-gw:4001\n");
    // A link there is replaced itself; the device it led to is never written.
    const QString device = dir.filePath("device");
    {
        QFile d(device);
        ASSERT_TRUE(d.open(QIODevice::WriteOnly));
        d.write("untouched");
    }
    ASSERT_TRUE(QFile::link(device, folder + "/com6"));
    ASSERT_EQ(setNetworkEntry(folder, 6, {NetworkProtocol::RawTcp, "10.0.0.9", 23}), QString());
    EXPECT_EQ(contentOf(device), "untouched");
    EXPECT_FALSE(QFileInfo(folder + "/com6").isSymLink());
    EXPECT_EQ(readNetworkEntry(folder, 6).address->text(), "tcp://10.0.0.9:23");
    EXPECT_EQ(QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
              (QStringList{"com5", "com6"}))
        << "no temporary file is left behind";
    // The COM numbers as the dialogs read them: the address is what COM5 reaches.
    const PortsState state{{}, readComLinks(folder), {}};
    EXPECT_EQ(comReach(state, 5), "rfc2217://cabinet-gw:4001");
    EXPECT_EQ(state.links.value(5).device, QString());
    EXPECT_FALSE(isFree(state, 5));
}

TEST(NetworkEntries, AFileOthersPlantedIsRefusedUnread) {
    QTemporaryDir dir;
    const QString folder = dir.filePath("ports");
    QDir().mkpath(folder);
    ASSERT_EQ(::mkfifo(QFile::encodeName(folder + "/com7").constData(), 0600), 0);
    const NetworkEntry fifo = readNetworkEntry(folder, 7);  // would block if it were opened
    EXPECT_FALSE(fifo.address);
    EXPECT_EQ(fifo.problem, "it is a named pipe (FIFO)");
    QFile big(folder + "/com8");
    ASSERT_TRUE(big.open(QIODevice::WriteOnly));
    big.write("tcp://gw:23\n" + QByteArray(4096, 'x'));
    big.close();
    EXPECT_FALSE(readNetworkEntry(folder, 8).address);
    EXPECT_FALSE(readNetworkEntry(folder, 9).address) << "no entry";
    EXPECT_EQ(readNetworkEntry(folder, 9).problem, QString());
}

TEST(NetworkEntries, AnUnusableEntryFailsTheOpenOfItsNumberWithWhatToDo) {
    QTemporaryDir dir;
    ConfigHome home(dir.path());
    QDir().mkpath(portsFolder());
    QFile f(portsFolder() + "/com4");
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("telnet://gw:23\n");
    f.close();
    SystemSerialPort port;
    QString failure;
    try {
        openPort(port, 4, "9600");
    } catch (const PortError& e) {
        failure = e.description();
    }
    EXPECT_EQ(failure,
              "The entry of COM4 in the ports folder cannot be used: it holds no network address "
              "(telnet://gw:23): the address must start with tcp:// or rfc2217://");
    EXPECT_EQ(port.openFailureHelp(),
              "Give COM4 a device or a network address in Ports..., or remove the file " +
                  portsFolder() + "/com4.");
}

}  // namespace

namespace {

TEST(NetworkEntries, AFailedOpenNamesTheAddressTheNumberReaches) {
    QTemporaryDir dir;
    ConfigHome home(dir.path());
    const quint16 closed = closedLoopbackPort();
    ASSERT_EQ(setNetworkEntry(portsFolder(), 4, {NetworkProtocol::RawTcp, "127.0.0.1", closed}),
              QString());
    EXPECT_EQ(portReach(4), QStringLiteral("tcp://127.0.0.1:%1").arg(closed));
    SystemSerialPort port;
    EXPECT_THROW(openPort(port, 4, "9600"), PortError);
    EXPECT_EQ(port.openFailureHelp(),
              QStringLiteral("COM4 is the network port tcp://127.0.0.1:%1 (see Ports...).\r"
                             "Nothing takes connections at that port: check the port number, and "
                             "that the device server is on and its port is set up as a TCP "
                             "server.")
                  .arg(closed));
    // The same number made a local port again: the next open goes to the device it names.
    ASSERT_TRUE(QFile::remove(portsFolder() + "/com4"));
    ASSERT_TRUE(QFile::link(dir.filePath("nothing-here"), portsFolder() + "/com4"));
    EXPECT_THROW(openPort(port, 4, "9600"), PortError);
    EXPECT_FALSE(port.networkAddress());
    EXPECT_EQ(portReach(4), portsFolder() + "/com4");
}

}  // namespace
