#pragma once

#include <optional>

#include "sim/sim_link.h"
#include "sim/telnet_server.h"

// A simulated COM port behind a serial device server on the network: a listener on
// 127.0.0.1 that serves one client at a time, either as a raw byte stream at a fixed line rate
// or as a Telnet session with the COM port option, through which the client sets the line.
// A second client while one is connected is accepted and closed at once. Output for a client
// that does not read is held up to kMaxPending bytes; beyond that it is dropped.
class NetLink : public SimLink {
  public:
    enum class Kind { Raw, Rfc2217 };
    static constexpr int kMaxPending = 64 * 1024;

    // tcpPort 0: any free port; rawBaud: the fixed line rate of a raw port.
    NetLink(int number, Kind kind, int tcpPort, int rawBaud);
    ~NetLink() override;
    NetLink(const NetLink&) = delete;
    NetLink& operator=(const NetLink&) = delete;

    int number() const override { return number_; }
    void create() override;
    // The client is disconnected and new connections are refused until create().
    void vanish() override;
    bool alive() const override { return listener_ >= 0; }
    void addPollFds(std::vector<pollfd>& fds) const override;
    QByteArray readAvailable() override;
    int writeSome(const QByteArray& bytes) override;
    // A Telnet line is heard at the rate the client set, and only with 8 data bits, no parity.
    int baud() const override;
    QString address() const override;
    int takePurges() override;

    Kind kind() const { return kind_; }
    int tcpPort() const { return port_; }
    bool connected() const { return client_ >= 0; }
    // Bytes held for the client that its socket has not taken yet.
    qsizetype pendingBytes() const { return pending_.size(); }
    // While on, the server takes connections and reads what comes but answers nothing.
    void setSilent(bool on) { silent_ = on; }
    // While on, a client's new baud rate is refused (see TelnetServer).
    void setRefuseBaud(bool on);

  private:
    void acceptClients();
    void dropClient(const QString& why);
    // Queues bytes for the client; false when they do not fit and were dropped.
    bool queue(const QByteArray& bytes);
    void sendPending();

    int number_;
    Kind kind_;
    int port_;
    int rawBaud_;
    int listener_ = -1;
    int client_ = -1;
    QByteArray pending_;  // for the client, not yet taken by its socket
    bool dropping_ = false;
    std::optional<TelnetServer> telnet_;  // the session of the connected client
    bool silent_ = false;
    bool refuseBaud_ = false;
    int purges_ = 0;
};
