#pragma once

#include <QByteArray>
#include <functional>
#include <thread>

// A TCP server on 127.0.0.1 for the network port's tests: it listens on a free port and runs
// the handler on each of the first connections it accepts, one after the other, in a thread of
// its own. With no handler it
// never accepts: the system still completes the client's connect, and then nothing answers.
class LoopbackServer {
  public:
    using Handler = std::function<void(int fd)>;
    explicit LoopbackServer(Handler handler = {}, int connections = 1);
    ~LoopbackServer();
    LoopbackServer(const LoopbackServer&) = delete;
    LoopbackServer& operator=(const LoopbackServer&) = delete;

    quint16 port() const { return port_; }
    // Waits until the handler has ended.
    void join();

    // Helpers for handlers: read what comes within ms (at most max bytes), write all.
    static QByteArray readFor(int fd, int ms, int max = 4096);
    static void writeAll(int fd, const QByteArray& bytes);

  private:
    int listener_ = -1;
    quint16 port_ = 0;
    std::thread thread_;
};

// A port on 127.0.0.1 that nothing listens on (it was free a moment ago).
quint16 closedLoopbackPort();
