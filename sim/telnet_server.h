#pragma once

#include <QByteArray>
#include <array>

// The server side of a Telnet session that carries a serial line with the COM port option, as a
// serial device server speaks it: bytes from the client in; the line's data, the server's answers
// and the purges the client asked for out. No sockets, so that it can be tested alone.
//
// It agrees to binary transmission and suppress-go-ahead in both directions and to the COM port
// option, refuses every other option once per request (and answers nothing that changes no state,
// so that no two sides can loop), and answers every COM port setting with the value now in force.
// Data passes unchanged but for 0xFF, which is doubled on the wire both ways.
class TelnetServer {
  public:
    // Purges the client asked for, as bits: what the devices sent and the client has not had yet;
    // what the client sent and the devices have not heard yet.
    enum Purge { kPurgeFromDevices = 1, kPurgeToDevices = 2 };

    // Takes bytes from the client (a sequence may be split anywhere across calls); returns the
    // data among them. Reading stops after a purge, so that it applies after the data returned:
    // what follows it waits (hasInput()) for the next call, which may bring no new bytes.
    QByteArray receive(const QByteArray& bytes);
    bool hasInput() const { return !input_.isEmpty(); }
    // The answers collected since the last call, ready for the wire.
    QByteArray takeAnswers();
    // The purges asked for since the last call (Purge bits).
    int takePurges();
    // Data for the client, with 0xFF doubled.
    static QByteArray escape(const QByteArray& data);

    // The line's settings in force: baud rate; data bits; parity (1 none, 2 odd, 3 even, 4 mark,
    // 5 space); stop bits (1 one, 2 two, 3 one and a half); DTR and RTS.
    int baud() const { return baud_; }
    int dataSize() const { return dataSize_; }
    int parity() const { return parity_; }
    int stopSize() const { return stopSize_; }
    bool dtr() const { return dtr_; }
    bool rts() const { return rts_; }
    // While on, a new baud rate is refused: the answer names the rate still in force.
    void setRefuseBaud(bool on) { refuseBaud_ = on; }

    // The rates a client may set; others are refused.
    static constexpr int kMinBaud = 50;
    static constexpr int kMaxBaud = 230400;

  private:
    enum class State { Data, Command, Option, Sub, SubCommand };

    void command(unsigned char byte);
    void option(unsigned char option);
    void subnegotiation();
    void comPort(unsigned char code, const QByteArray& value);
    void setControl(unsigned char value);
    void answerOption(unsigned char verb, unsigned char option);
    void answer(unsigned char code, const QByteArray& value);
    // A one-byte setting: values within [low, high] are taken, 0 asks; answers what is in force.
    void setByte(unsigned char code, const QByteArray& value, int low, int high, int& setting);
    void setBaud(const QByteArray& value);

    State state_ = State::Data;
    unsigned char verb_ = 0;  // WILL, WONT, DO or DONT waiting for its option
    QByteArray sub_;          // the subnegotiation being read, option byte first
    bool subTooLong_ = false;
    QByteArray input_;  // bytes behind a purge, not read yet
    bool purged_ = false;
    QByteArray data_;
    QByteArray answers_;
    int purges_ = 0;
    // Per option: whether we do it (WILL sent) and whether the client does (DO sent).
    std::array<bool, 256> ours_{};
    std::array<bool, 256> theirs_{};

    int baud_ = 9600;
    int dataSize_ = 8;
    int parity_ = 1;
    int stopSize_ = 1;
    bool dtr_ = true;
    bool rts_ = true;
    bool break_ = false;
    int lineStateMask_ = 0;
    int modemStateMask_ = 0;
    bool refuseBaud_ = false;
};
