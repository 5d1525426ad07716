#pragma once

#include <QByteArray>

// A TCP client of 127.0.0.1 for the tests of the simulator's network ports, every wait bounded.
class LocalClient {
  public:
    LocalClient() = default;
    ~LocalClient();
    LocalClient(const LocalClient&) = delete;
    LocalClient& operator=(const LocalClient&) = delete;

    // Connects to 127.0.0.1:port; false when refused (or not done within a second). A
    // receiveBuffer > 0 shrinks the socket's buffer, for a client that falls behind sooner.
    bool connect(int port, int receiveBuffer = 0);
    bool send(const QByteArray& bytes);
    // What comes within ms, or until at least `enough` bytes have come.
    QByteArray read(int ms, qsizetype enough = 1 << 20);
    // Whether the server closed the connection within ms (what came meanwhile is dropped).
    bool closedByServer(int ms);

  private:
    int fd_ = -1;
    bool closed_ = false;
};
