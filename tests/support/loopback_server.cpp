#include "support/loopback_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>

namespace {

int listenOnLoopback(quint16& port) {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    ::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a);
    ::listen(fd, 4);
    socklen_t len = sizeof a;
    ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &len);
    port = ntohs(a.sin_port);
    return fd;
}

}  // namespace

LoopbackServer::LoopbackServer(Handler handler, int connections) {
    listener_ = listenOnLoopback(port_);
    if (handler) {
        thread_ = std::thread([fd = listener_, handler = std::move(handler), connections] {
            for (int i = 0; i < connections; ++i) {
                pollfd p{fd, POLLIN, 0};
                if (::poll(&p, 1, 10000) <= 0) {
                    return;
                }
                const int client = ::accept(fd, nullptr, nullptr);
                if (client >= 0) {
                    handler(client);
                    ::close(client);
                }
            }
        });
    }
}

LoopbackServer::~LoopbackServer() {
    join();
    ::close(listener_);
}

void LoopbackServer::join() {
    if (thread_.joinable()) {
        thread_.join();
    }
}

QByteArray LoopbackServer::readFor(int fd, int ms, int max) {
    QByteArray got;
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (got.size() < max) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              end - std::chrono::steady_clock::now())
                              .count();
        pollfd p{fd, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, static_cast<int>(left)) <= 0) {
            break;
        }
        char buffer[512];
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        got.append(buffer, static_cast<int>(n));
    }
    return got;
}

void LoopbackServer::writeAll(int fd, const QByteArray& bytes) {
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, bytes.size() - done);
        if (n <= 0) {
            return;
        }
        done += n;
    }
}

quint16 closedLoopbackPort() {
    quint16 port = 0;
    ::close(listenOnLoopback(port));
    return port;
}
