#pragma once

#include <QByteArray>
#include <QMap>
#include <cstdint>

// The client's side of a Telnet stream that carries a serial line, as serial device servers
// speak it (Telnet with binary transmission and the COM port option, RFC 854, 856 and 2217).
// Bytes only, no socket: what the server sends goes in through feed(), which returns the line's
// data and keeps the server's answers; what the program sends is framed by encodeData() and the
// command functions. Nothing the server sends can make it grow beyond a small bound.
class TelnetClient {
  public:
    static constexpr uint8_t kIac = 255;
    static constexpr uint8_t kComPortOption = 44;
    // COM port option commands, client to server; the server answers each with the command
    // plus 100 and the value now in force.
    enum ComPortCommand : uint8_t {
        kSetBaudRate = 1,
        kSetDataSize = 2,
        kSetParity = 3,
        kSetStopSize = 4,
        kSetControl = 5,
        kPurgeData = 12,
    };
    // Values of the commands above.
    static constexpr uint8_t kParityNone = 1;
    static constexpr uint8_t kParityOdd = 2;
    static constexpr uint8_t kParityEven = 3;
    static constexpr uint8_t kParityMark = 4;
    static constexpr uint8_t kParitySpace = 5;
    static constexpr uint8_t kNoFlowControl = 1;
    static constexpr uint8_t kDtrOn = 8;
    static constexpr uint8_t kDtrOff = 9;
    static constexpr uint8_t kPurgeBoth = 3;

    // Whether the server agreed to the COM port option so far.
    enum class ComPort { Asked, Accepted, Refused };

    // What the client says first: it will send binary and the COM port option, and asks the
    // server to send binary and to suppress go-ahead.
    QByteArray greeting();
    // The line's data as it goes over the stream: 0xFF doubled, and a CR followed by NUL while
    // the server has not agreed that the client sends binary.
    QByteArray encodeData(const QByteArray& data) const;
    // A COM port option command with its value (0xFF in the value doubled).
    static QByteArray comPortCommand(uint8_t command, const QByteArray& value);
    static QByteArray setBaudRate(uint32_t baud);
    static QByteArray setByte(uint8_t command, uint8_t value);

    // Takes bytes from the server; returns the line's data among them. Answers the stream
    // itself needs (to the server's option requests) are kept for takeReplies().
    QByteArray feed(const QByteArray& bytes);
    // What the client must send the server now in answer to what was fed; empty when nothing.
    QByteArray takeReplies();
    // The server's last answer to a command (the command's number, not plus 100), taken away;
    // false when none came since.
    bool takeAnswer(uint8_t command, QByteArray& value);

    ComPort comPort() const { return comPort_; }
    // The server sends binary: a NUL after CR is data, not line-end padding.
    bool serverSendsBinary() const { return remoteBinary_; }

  private:
    enum class State { Data, Iac, Option, Sub, SubIac };
    void option(uint8_t verb, uint8_t code);
    void subnegotiation();
    void reply(uint8_t verb, uint8_t code);

    State state_ = State::Data;
    uint8_t verb_ = 0;
    QByteArray sub_;
    bool subOverflow_ = false;
    bool lastWasCr_ = false;
    QByteArray replies_;
    QMap<uint8_t, QByteArray> answers_;
    ComPort comPort_ = ComPort::Asked;
    bool localBinary_ = false;   // the server agreed to take binary from the client
    bool remoteBinary_ = false;  // the server sends binary
};
