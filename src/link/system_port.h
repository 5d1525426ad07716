#pragma once

#include <memory>
#include <optional>

#include "link/network_address.h"
#include "link/serial_port.h"

// The real line as the programs reach it: a COM number leads to a local serial port, or, when
// the ports folder's entry for it holds a network address, to a serial line behind a device
// server; an address given outright (nvq-can --port tcp://...) leads there whatever the number.
// Which one is decided at each open; everything else goes to the port opened.
class SystemSerialPort : public SerialPort {
  public:
    SystemSerialPort();
    explicit SystemSerialPort(NetworkAddress address);
    ~SystemSerialPort() override;

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
    qint64 nowUs() const override;

    // The network address the last open went to; none for a local port.
    std::optional<NetworkAddress> networkAddress() const { return opened_; }

  private:
    void choosePort();

    std::optional<NetworkAddress> fixed_;
    std::optional<NetworkAddress> opened_;
    int number_ = 1;
    QString settings_ = QStringLiteral("9600,N,8,1");
    bool dtr_ = false;
    int inputLength_ = 1;
    int threshold_ = 1;
    std::unique_ptr<SerialPort> port_;
    QString help_;
};
