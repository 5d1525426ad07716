#pragma once

#include <QByteArray>

// Non-blocking TCP sockets on the loopback address only: nothing the simulator opens can be
// reached from another machine.
namespace localSocket {

// A listener on 127.0.0.1:port (0: any free port); boundPort receives the port it got. Throws
// std::runtime_error with the reason when it cannot listen.
int listen(int port, int& boundPort);
// A waiting connection, or -1 when none waits.
int accept(int listener);
// Reads at most maxBytes into out. False when the peer closed or the connection failed.
bool read(int fd, QByteArray& out, int maxBytes);
// Sends what the socket takes now and removes it from bytes. False when the connection failed.
bool send(int fd, QByteArray& bytes);
void close(int& fd);

}  // namespace localSocket
