#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QTcpSocket>
#include <memory>

#include "link/host_lookup.h"
#include "link/line_settings.h"
#include "link/network_address.h"
#include "link/serial_port.h"
#include "link/telnet_client.h"

// A serial line behind a device server, over TCP, used in the blocking style of the serial port
// (no event loop): a raw stream, whose line settings are the server's own, or RFC 2217, through
// which the settings, DTR and a purge are sent at open and each setting again when it changes.
// Every wait is bounded; a connection that drops is a port that vanished: the call throws
// PortError and the port is closed.
class NetworkPort : public SerialPort {
  public:
    static constexpr int kConnectTimeoutMs = 3000;

    explicit NetworkPort(NetworkAddress address, HostResolver resolve = lookUpHost);
    ~NetworkPort() override;

    void setPortNumber(int number) override;
    void setSettings(const QString& settings) override;
    void setDtr(bool on) override;
    void setInputLength(int length) override;
    void setReceiveThreshold(int threshold) override;
    void open() override;
    void close() override;
    bool isOpen() const override;
    void write(const QByteArray& data) override;
    QByteArray read() override;
    void delay(int ms) override;
    bool waitForInput(int ms) override;
    QString openFailureHelp() const override;
    bool setsBaudRate() const override;

    const NetworkAddress& address() const { return address_; }

  private:
    void connectAndNegotiate();
    void connectSocket();
    void negotiate();
    void applySettings(bool atOpen);
    void applyDtr();
    void sendCommands(const QByteArray& commands);
    void awaitAnswers(const QList<uint8_t>& commands, QMap<uint8_t, QByteArray>& answers);
    void checkAnswer(uint8_t command, const QByteArray& asked, const QByteArray& answered) const;
    bool pump(int ms);
    void take(const QByteArray& bytes);
    void send(const QByteArray& bytes);
    void requireOpen() const;
    [[noreturn]] void failOpen(const QString& description, const QString& help);
    [[noreturn]] void lost();
    QString where() const;

    NetworkAddress address_;
    HostResolver resolve_;
    std::unique_ptr<QTcpSocket> socket_;
    TelnetClient telnet_;
    QByteArray input_;  // the line's data received and not read yet
    QString settings_ = QStringLiteral("9600,N,8,1");
    bool dtr_ = false;
    int inputLength_ = 1;
    bool open_ = false;
    bool closedByServer_ = false;  // the last connection was ended by the server
    QString failureHelp_;
};
