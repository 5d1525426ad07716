#pragma once

#include <QByteArray>
#include <QString>
#include <stdexcept>

// A failure of the serial line (no such port, port in use, device gone). Carries the platform's
// description, which the windows show to the user.
class PortError : public std::runtime_error {
  public:
    explicit PortError(const QString& description);
    QString description() const { return description_; }

  private:
    QString description_;
};

// The only way to the line. Every window owns one; the real one wraps QSerialPort, tests use the
// simulated device's port on a virtual clock. Every operation may throw PortError.
class SerialPort {
  public:
    virtual ~SerialPort() = default;

    virtual void setPortNumber(int number) = 0;
    virtual void setSettings(const QString& settings) = 0;  // "9600,N,8,1"
    virtual void setDtr(bool on) = 0;
    virtual void setInputLength(int length) = 0;
    virtual void setReceiveThreshold(int threshold) = 0;
    virtual void open() = 0;
    virtual void close() = 0;
    virtual bool isOpen() const = 0;
    virtual void write(const QByteArray& data) = 0;
    // Returns at once: at most the input length's characters, empty when nothing is pending.
    virtual QByteArray read() = 0;
    // Always waits the full time: the device needs it.
    virtual void delay(int ms) = 0;
    // Waits at most ms; returns early (true) as soon as a character is pending.
    virtual bool waitForInput(int ms) = 0;
    // Why the last open() failed and what the user can do about it, lines joined by CR; "" when
    // it worked or there is nothing to add to the failure's description.
    virtual QString openFailureHelp() const { return QString(); }
    // Whether the baud rate of setSettings reaches the line; not on a raw network stream, whose
    // rate is set on the device server. Known once the port has been opened.
    virtual bool setsBaudRate() const { return true; }
    // The clock the line's waits run on, in microseconds from an arbitrary start: the steady
    // clock, or a simulated line's virtual one, so that reply times are measured as the line
    // saw them.
    virtual qint64 nowUs() const;
};

// The message, followed on a further line by the port's explanation of its failed open when it
// has one.
QString withOpenFailureHelp(const QString& message, const SerialPort& port);

// Line settings text for a baud rate: "<baud>,N,8,1".
QString lineSettings(const QString& baudrate);

// Opens a port the way every window does: receive threshold 1, read length 1, settings,
// DTR off, port number, open. Throws PortError when any step fails.
void openPort(SerialPort& port, int portNumber, const QString& baudrate);
