#include "sim/local_socket.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <string>

namespace localSocket {

int listen(int port, int& boundPort) {
    const std::string where = "127.0.0.1:" + std::to_string(port);
    const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        throw std::runtime_error("cannot listen on " + where + ": " + std::strerror(errno));
    }
    // A restored port binds again at once, despite the connections of the last one.
    const int on = 1;
    ::setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::listen(fd, 4) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        const int error = errno;
        ::close(fd);
        throw std::runtime_error("cannot listen on " + where + ": " + std::strerror(error));
    }
    boundPort = ntohs(address.sin_port);
    return fd;
}

int accept(int listener) {
    const int fd = ::accept4(listener, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (fd >= 0) {
        // A paced reply goes out a character at a time, as a device server sends what its line
        // gives it: without this, each character after the first would wait for the client's
        // acknowledgement (up to 40 ms) before it leaves.
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }
    return fd;
}

bool read(int fd, QByteArray& out, int maxBytes) {
    char buffer[4096];
    while (maxBytes > 0) {
        const ssize_t n = ::recv(fd, buffer, std::min<size_t>(sizeof buffer, maxBytes), 0);
        if (n > 0) {
            out.append(buffer, static_cast<int>(n));
            maxBytes -= static_cast<int>(n);
        } else if (n == 0) {
            return false;
        } else {
            return errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        }
    }
    return true;
}

bool send(int fd, QByteArray& bytes) {
    while (!bytes.isEmpty()) {
        const ssize_t n =
            ::send(fd, bytes.constData(), static_cast<size_t>(bytes.size()), MSG_NOSIGNAL);
        if (n > 0) {
            bytes.remove(0, static_cast<qsizetype>(n));
        } else {
            return n == 0 || errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR;
        }
    }
    return true;
}

void close(int& fd) {
    if (fd >= 0) {
        ::close(fd);
        fd = -1;
    }
}

}  // namespace localSocket
