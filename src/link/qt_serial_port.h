#pragma once

#include <QSerialPort>
#include <optional>

#include "link/serial_port.h"
#include "ports/open_failure.h"

// The real line, through QSerialPort used in its blocking style (no event loop, no readyRead).
class QtSerialPort : public SerialPort {
  public:
    QtSerialPort();
    ~QtSerialPort() override;

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

  private:
    void applySettings();
    void applyDtr();
    void requireOpen() const;
    void pollInput(int ms);
    [[noreturn]] void fail();
    QString failureDescription() const;

    QSerialPort port_;
    int number_ = 1;
    QString settings_ = QStringLiteral("9600,N,8,1");
    bool dtr_ = false;
    int inputLength_ = 1;
    std::optional<OpenFailure> openFailure_;
};

// The windows use their ports from a line engine's thread, which runs no event loop: the port
// is used through its blocking calls only, and its read and write notifiers are never needed.
// Qt warns about each notifier made in such a thread; this drops exactly that warning from the
// program's output and hands every other message on. (Giving the thread an event dispatcher
// instead silences it too, but then the notifiers take part in reading, and replies were seen
// to be missed under load.) Call once, at the start of main().
void quietSerialNotifierWarnings();
