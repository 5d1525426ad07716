#include "link/network_port.h"

#include <QThread>

#include "files/visible_text.h"

namespace {

// Answers to settings come at once from a server that takes them; this bounds the wait for one
// that does not.
constexpr int kAnswerTimeoutMs = 3000;
// What the port keeps of a stream nobody reads; a device that streams fills no more.
constexpr qsizetype kMaxPendingInput = 64 * 1024;
constexpr int kReconnectGapMs = 50;

// What to check, under each failure that has the same likely causes.
const char kCheckReach[] =
    "Check that the device server is on and can be reached from this computer (cable, network, "
    "firewall).";
const char kCheckRfc2217[] =
    "Is the device server's port set to RFC 2217? A port whose line settings are fixed on the "
    "server is reached as tcp://HOST:PORT.";

QByteArray bigEndian(uint32_t v) {
    QByteArray b(4, '\0');
    for (int i = 0; i < 4; ++i) {
        b[3 - i] = static_cast<char>((v >> (8 * i)) & 0xFF);
    }
    return b;
}

uint8_t parityCode(char parity) {
    switch (parity) {
        case 'O':
            return TelnetClient::kParityOdd;
        case 'E':
            return TelnetClient::kParityEven;
        case 'M':
            return TelnetClient::kParityMark;
        case 'S':
            return TelnetClient::kParitySpace;
        default:
            return TelnetClient::kParityNone;
    }
}

// A setting as the user reads it: "19200 baud", "8 data bits", "parity 2", "DTR on".
QString settingText(uint8_t command, const QByteArray& value) {
    if (command == TelnetClient::kSetBaudRate && value.size() == 4) {
        uint32_t baud = 0;
        for (char c : value) {
            baud = (baud << 8) | static_cast<uint8_t>(c);
        }
        return QStringLiteral("%1 baud").arg(baud);
    }
    const int v = value.isEmpty() ? -1 : static_cast<uint8_t>(value[0]);
    switch (command) {
        case TelnetClient::kSetDataSize:
            return QStringLiteral("%1 data bits").arg(v);
        case TelnetClient::kSetParity:
            return QStringLiteral("parity %1").arg(v);
        case TelnetClient::kSetStopSize:
            return QStringLiteral("stop size %1").arg(v);
        case TelnetClient::kSetControl:
            return v == TelnetClient::kDtrOn    ? QStringLiteral("DTR on")
                   : v == TelnetClient::kDtrOff ? QStringLiteral("DTR off")
                                                : QStringLiteral("control %1").arg(v);
        default:
            return QStringLiteral("setting %1").arg(v);
    }
}

}  // namespace

NetworkPort::NetworkPort(NetworkAddress address, HostResolver resolve)
    : address_(std::move(address)), resolve_(std::move(resolve)) {}

NetworkPort::~NetworkPort() {
    close();
}

void NetworkPort::setPortNumber(int) {
    // The address is the port's own: a COM number reaches it, and changes nothing here.
    if (open_) {
        throw PortError(QStringLiteral("Port is already open"));
    }
}

void NetworkPort::setSettings(const QString& settings) {
    parseLineSettings(settings);  // refuse bad settings now, as the serial port does
    settings_ = settings;
    if (open_ && address_.protocol == NetworkProtocol::Rfc2217) {
        applySettings(false);
    }
}

void NetworkPort::setDtr(bool on) {
    dtr_ = on;
    if (open_ && address_.protocol == NetworkProtocol::Rfc2217) {
        applyDtr();
    }
}

void NetworkPort::setInputLength(int length) {
    inputLength_ = length > 0 ? length : 1;
}

void NetworkPort::setReceiveThreshold(int) {
    // All reading is by polling, as on the serial port.
}

bool NetworkPort::setsBaudRate() const {
    return address_.protocol == NetworkProtocol::Rfc2217;
}

QString NetworkPort::where() const {
    return visibleText(address_.hostAndPort());
}

void NetworkPort::open() {
    if (open_) {
        throw PortError(QStringLiteral("Port is already open"));
    }
    failureHelp_.clear();
    input_.clear();
    connectAndNegotiate();
    if (address_.protocol == NetworkProtocol::Rfc2217) {
        applySettings(true);
        applyDtr();
        // Whatever the server held for the line before this connection is no answer of ours.
        send(TelnetClient::setByte(TelnetClient::kPurgeData, TelnetClient::kPurgeBoth));
    }
}

// A server that takes one client at a time may still be letting the last connection go when
// the next comes (a scan reconnects at each rate) and close the new one at once: connecting is
// tried again, a moment later, within the connect time.
void NetworkPort::connectAndNegotiate() {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        telnet_ = TelnetClient();
        closedByServer_ = false;
        connectSocket();
        open_ = true;
        if (address_.protocol == NetworkProtocol::RawTcp) {
            return;
        }
        try {
            negotiate();
            return;
        } catch (const PortError&) {
            if (!closedByServer_ || clock.elapsed() + kReconnectGapMs >= kConnectTimeoutMs) {
                throw;
            }
        }
        QThread::msleep(kReconnectGapMs);
    }
}

void NetworkPort::connectSocket() {
    const HostLookup lookup = resolve_(address_.host, kConnectTimeoutMs);
    if (lookup.outcome == HostLookup::Outcome::TimedOut) {
        failOpen(QStringLiteral("The name %1 could not be looked up within 3 s")
                     .arg(visibleText(address_.host)),
                 QStringLiteral("The name server does not answer: give the device server's IP "
                                "address instead of its name, or check the network settings."));
    }
    if (lookup.outcome == HostLookup::Outcome::NotFound) {
        failOpen(QStringLiteral("Host %1 not found").arg(visibleText(address_.host)),
                 QStringLiteral("Check the host name, or give the device server's IP address."));
    }
    QElapsedTimer clock;
    clock.start();
    QAbstractSocket::SocketError error = QAbstractSocket::SocketTimeoutError;
    QString errorText;
    for (const QHostAddress& ip : lookup.addresses) {
        const int left = kConnectTimeoutMs - static_cast<int>(clock.elapsed());
        if (left <= 0) {
            break;
        }
        socket_ = std::make_unique<QTcpSocket>();
        socket_->setReadBufferSize(kMaxPendingInput);
        socket_->connectToHost(ip, address_.port);
        if (socket_->waitForConnected(left)) {
            socket_->setSocketOption(QAbstractSocket::LowDelayOption, 1);
            return;
        }
        error = socket_->error();
        errorText = socket_->errorString();
        socket_.reset();
    }
    if (error == QAbstractSocket::ConnectionRefusedError) {
        failOpen(QStringLiteral("%1 refused the connection").arg(where()),
                 QStringLiteral("Nothing takes connections at that port: check the port number, "
                                "and that the device server is on and its port is set up as a "
                                "TCP server."));
    }
    if (error == QAbstractSocket::SocketTimeoutError) {
        failOpen(QStringLiteral("No answer from %1 within 3 s").arg(where()),
                 QString::fromLatin1(kCheckReach));
    }
    failOpen(QStringLiteral("Cannot connect to %1: %2").arg(where(), errorText),
             QString::fromLatin1(kCheckReach));
}

// The server must agree to the COM port option before it takes any setting.
void NetworkPort::negotiate() {
    send(telnet_.greeting());
    QElapsedTimer clock;
    clock.start();
    while (telnet_.comPort() == TelnetClient::ComPort::Asked) {
        const int left = kAnswerTimeoutMs - static_cast<int>(clock.elapsed());
        if (left <= 0) {
            failOpen(QStringLiteral("No RFC 2217 answer from %1 within 3 s").arg(where()),
                     QString::fromLatin1(kCheckRfc2217));
        }
        pump(left);
    }
    if (telnet_.comPort() == TelnetClient::ComPort::Refused) {
        failOpen(QStringLiteral("%1 does not take RFC 2217 line settings").arg(where()),
                 QStringLiteral("Set the device server's port to RFC 2217, or reach it as "
                                "tcp://HOST:PORT with the line settings made on the server."));
    }
}

void NetworkPort::applySettings(bool atOpen) {
    const LineSettings s = parseLineSettings(settings_);
    QList<QPair<uint8_t, QByteArray>> asked{
        {TelnetClient::kSetBaudRate, bigEndian(static_cast<uint32_t>(s.baud))},
        {TelnetClient::kSetDataSize, QByteArray(1, static_cast<char>(s.dataBits))},
        {TelnetClient::kSetParity, QByteArray(1, static_cast<char>(parityCode(s.parity)))},
        {TelnetClient::kSetStopSize, QByteArray(1, static_cast<char>(s.stopBits))},
    };
    QByteArray commands;
    QList<uint8_t> numbers;
    for (const auto& [command, value] : asked) {
        commands += TelnetClient::comPortCommand(command, value);
        numbers << command;
    }
    if (atOpen) {
        // The device servers' default may be hardware flow control, which would hold the line.
        // Its answer is waited for, so that it is not taken for the answer to DTR.
        commands += TelnetClient::setByte(TelnetClient::kSetControl, TelnetClient::kNoFlowControl);
        numbers << TelnetClient::kSetControl;
    }
    sendCommands(commands);
    QMap<uint8_t, QByteArray> answers;
    awaitAnswers(numbers, answers);
    for (const auto& [command, value] : asked) {
        checkAnswer(command, value, answers.value(command));
    }
}

void NetworkPort::applyDtr() {
    const QByteArray value(1,
                           static_cast<char>(dtr_ ? TelnetClient::kDtrOn : TelnetClient::kDtrOff));
    sendCommands(TelnetClient::comPortCommand(TelnetClient::kSetControl, value));
    QMap<uint8_t, QByteArray> answers;
    awaitAnswers({TelnetClient::kSetControl}, answers);
    checkAnswer(TelnetClient::kSetControl, value, answers.value(TelnetClient::kSetControl));
}

void NetworkPort::sendCommands(const QByteArray& commands) {
    QByteArray stale;
    for (uint8_t c :
         {TelnetClient::kSetBaudRate, TelnetClient::kSetDataSize, TelnetClient::kSetParity,
          TelnetClient::kSetStopSize, TelnetClient::kSetControl}) {
        telnet_.takeAnswer(c, stale);  // left from an earlier change: not this one's answer
    }
    send(commands);
}

void NetworkPort::awaitAnswers(const QList<uint8_t>& commands, QMap<uint8_t, QByteArray>& answers) {
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        for (uint8_t c : commands) {
            if (QByteArray value; !answers.contains(c) && telnet_.takeAnswer(c, value)) {
                answers.insert(c, value);
            }
        }
        if (answers.size() == commands.size()) {
            return;
        }
        const int left = kAnswerTimeoutMs - static_cast<int>(clock.elapsed());
        if (left <= 0) {
            failOpen(QStringLiteral("%1 did not confirm the line settings within 3 s").arg(where()),
                     QString::fromLatin1(kCheckRfc2217));
        }
        pump(left);
    }
}

void NetworkPort::checkAnswer(uint8_t command, const QByteArray& asked,
                              const QByteArray& answered) const {
    if (answered == asked) {
        return;
    }
    const QString message = QStringLiteral("The device server refused %1 (it answered %2)")
                                .arg(settingText(command, asked), settingText(command, answered));
    // The port stays open at the server's setting; the caller decides what follows.
    throw PortError(message);
}

void NetworkPort::close() {
    open_ = false;
    if (socket_) {
        socket_->abort();
        socket_.reset();
    }
    input_.clear();
}

bool NetworkPort::isOpen() const {
    return open_;
}

void NetworkPort::write(const QByteArray& data) {
    requireOpen();
    send(address_.protocol == NetworkProtocol::Rfc2217 ? telnet_.encodeData(data) : data);
}

void NetworkPort::send(const QByteArray& bytes) {
    if (socket_->write(bytes) != bytes.size()) {
        lost();
    }
    // Nothing leaves without an event loop unless waited for; a server that takes nothing for a
    // second is as good as gone.
    QElapsedTimer clock;
    clock.start();
    while (socket_->bytesToWrite() > 0) {
        const int left = 1000 - static_cast<int>(clock.elapsed());
        if (left <= 0 || (!socket_->waitForBytesWritten(left) &&
                          socket_->state() != QAbstractSocket::ConnectedState)) {
            lost();
        }
    }
}

QByteArray NetworkPort::read() {
    requireOpen();
    if (input_.isEmpty()) {
        pump(0);
    }
    const QByteArray out = input_.left(inputLength_);
    input_.remove(0, out.size());
    return out;
}

void NetworkPort::delay(int ms) {
    QThread::msleep(static_cast<unsigned long>(ms));
}

bool NetworkPort::waitForInput(int ms) {
    requireOpen();
    QElapsedTimer clock;
    clock.start();
    if (input_.isEmpty()) {
        pump(0);
    }
    // Telnet commands alone are no input: wait on for data until the time is up.
    while (input_.isEmpty()) {
        const int left = ms - static_cast<int>(clock.elapsed());
        if (left <= 0) {
            break;
        }
        pump(left);
    }
    return !input_.isEmpty();
}

// Takes what the server sent within ms; false when nothing came. Throws when the connection is
// gone.
bool NetworkPort::pump(int ms) {
    if (socket_->bytesAvailable() == 0 && !socket_->waitForReadyRead(ms)) {
        if (socket_->state() != QAbstractSocket::ConnectedState) {
            lost();
        }
        return false;
    }
    take(socket_->readAll());
    return true;
}

void NetworkPort::take(const QByteArray& bytes) {
    if (address_.protocol == NetworkProtocol::RawTcp) {
        input_ += bytes;
    } else {
        input_ += telnet_.feed(bytes);
        if (const QByteArray replies = telnet_.takeReplies(); !replies.isEmpty()) {
            send(replies);
        }
    }
    if (input_.size() > kMaxPendingInput) {
        input_.truncate(kMaxPendingInput);
    }
}

void NetworkPort::requireOpen() const {
    if (!open_) {
        throw PortError(QStringLiteral("Port is not open"));
    }
}

QString NetworkPort::openFailureHelp() const {
    return failureHelp_;
}

void NetworkPort::failOpen(const QString& description, const QString& help) {
    failureHelp_ = help;
    close();
    throw PortError(description);
}

void NetworkPort::lost() {
    const bool closedByServer =
        socket_ && socket_->error() == QAbstractSocket::RemoteHostClosedError;
    closedByServer_ = closedByServer;
    const QString reason = socket_ ? socket_->errorString() : QString();
    close();
    throw PortError(closedByServer
                        ? QStringLiteral("The device server %1 closed the connection").arg(where())
                        : QStringLiteral("The connection to %1 was lost: %2").arg(where(), reason));
}
