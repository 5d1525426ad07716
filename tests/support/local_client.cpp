#include "support/local_client.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QDeadlineTimer>
#include <cerrno>

LocalClient::~LocalClient() {
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

bool LocalClient::connect(int port, int receiveBuffer) {
    fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    const timeval second{1, 0};
    ::setsockopt(fd_, SOL_SOCKET, SO_SNDTIMEO, &second, sizeof second);
    if (receiveBuffer > 0) {
        ::setsockopt(fd_, SOL_SOCKET, SO_RCVBUF, &receiveBuffer, sizeof receiveBuffer);
    }
    return fd_ >= 0 && ::connect(fd_, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
}

bool LocalClient::send(const QByteArray& bytes) {
    return fd_ >= 0 && ::send(fd_, bytes.constData(), static_cast<size_t>(bytes.size()),
                              MSG_NOSIGNAL) == bytes.size();
}

QByteArray LocalClient::read(int ms, qsizetype enough) {
    QByteArray out;
    for (QDeadlineTimer deadline(ms); fd_ >= 0 && !closed_ && out.size() < enough;) {
        const int left = static_cast<int>(deadline.remainingTime());
        pollfd p{fd_, POLLIN, 0};
        if (left <= 0 || ::poll(&p, 1, left) <= 0) {
            break;
        }
        char buffer[4096];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        if (n <= 0) {
            closed_ = true;  // closed or reset
        } else {
            out.append(buffer, static_cast<int>(n));
        }
    }
    return out;
}

bool LocalClient::closedByServer(int ms) {
    read(ms);
    return closed_;
}
