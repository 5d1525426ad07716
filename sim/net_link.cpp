#include "sim/net_link.h"

#include "sim/local_socket.h"

namespace {

// Read at most this much per turn of the loop, so that a flood cannot hold it up.
constexpr int kReadPerTurn = 64 * 1024;

}  // namespace

NetLink::NetLink(int number, Kind kind, int tcpPort, int rawBaud)
    : number_(number), kind_(kind), port_(tcpPort), rawBaud_(rawBaud) {}

NetLink::~NetLink() {
    localSocket::close(client_);
    localSocket::close(listener_);
}

void NetLink::create() {
    if (listener_ < 0) {
        // A restored listener takes the port it had, also when any free port was asked for.
        listener_ = localSocket::listen(port_, port_);
    }
}

void NetLink::vanish() {
    // The listener first: a client that sees its connection end must find new ones refused.
    localSocket::close(listener_);
    if (client_ >= 0) {
        dropClient(QStringLiteral("client disconnected: server gone"));
    }
}

QString NetLink::address() const {
    return QStringLiteral("%1://127.0.0.1:%2")
        .arg(kind_ == Kind::Raw ? QLatin1String("tcp") : QLatin1String("rfc2217"))
        .arg(port_);
}

void NetLink::setRefuseBaud(bool on) {
    refuseBaud_ = on;
    if (telnet_) {
        telnet_->setRefuseBaud(on);
    }
}

int NetLink::baud() const {
    if (kind_ == Kind::Raw) {
        return rawBaud_;
    }
    if (!telnet_ || telnet_->dataSize() != 8 || telnet_->parity() != 1) {
        return telnet_ ? 0 : 9600;
    }
    return telnet_->baud();
}

int NetLink::takePurges() {
    const int out = purges_;
    purges_ = 0;
    return out;
}

void NetLink::addPollFds(std::vector<pollfd>& fds) const {
    if (listener_ >= 0) {
        fds.push_back({listener_, POLLIN, 0});
    }
    if (client_ >= 0) {
        fds.push_back(
            {client_, static_cast<short>(POLLIN | (pending_.isEmpty() ? 0 : POLLOUT)), 0});
    }
}

void NetLink::acceptClients() {
    for (int fd; listener_ >= 0 && (fd = localSocket::accept(listener_)) >= 0;) {
        if (client_ >= 0) {
            localSocket::close(fd);
            if (note) {
                note(QStringLiteral("second client turned away"));
            }
            continue;
        }
        client_ = fd;
        if (kind_ == Kind::Rfc2217) {
            telnet_.emplace();
            telnet_->setRefuseBaud(refuseBaud_);
        }
        if (note) {
            note(QStringLiteral("client connected"));
        }
    }
}

void NetLink::dropClient(const QString& why) {
    localSocket::close(client_);
    pending_.clear();
    dropping_ = false;
    telnet_.reset();
    // Nothing pending is kept for a client that is gone.
    purges_ |= kPurgeFromDevices | kPurgeToDevices;
    if (note) {
        note(why);
    }
}

QByteArray NetLink::readAvailable() {
    QByteArray data;
    if (client_ < 0) {
        // The client is read before new ones are taken, so that one that has just closed is
        // gone before its next connection is looked at, as a device server lets it go.
        acceptClients();
        return data;
    }
    QByteArray got;
    // Bytes behind a purge are read first; the socket waits meanwhile, which bounds them.
    const bool open = (telnet_ && telnet_->hasInput() && !silent_) ||
                      localSocket::read(client_, got, kReadPerTurn);
    if (!silent_ && telnet_) {
        data = telnet_->receive(got);
        purges_ |= telnet_->takePurges();
        queue(telnet_->takeAnswers());
    } else if (!silent_) {
        data = got;
    }
    if (!open) {
        dropClient(QStringLiteral("client disconnected"));
        acceptClients();
        return QByteArray();
    }
    sendPending();
    acceptClients();
    return data;
}

int NetLink::writeSome(const QByteArray& bytes) {
    if (client_ < 0 || silent_ || bytes.isEmpty()) {
        return 0;
    }
    if (!queue(telnet_ ? TelnetServer::escape(bytes) : bytes)) {
        return 0;
    }
    sendPending();
    return static_cast<int>(bytes.size());
}

bool NetLink::queue(const QByteArray& bytes) {
    if (pending_.size() + bytes.size() > kMaxPending) {
        if (!dropping_ && note) {
            note(QStringLiteral("client reads nothing: output dropped beyond %1 bytes")
                     .arg(kMaxPending));
        }
        dropping_ = true;
        return false;
    }
    pending_ += bytes;
    return true;
}

void NetLink::sendPending() {
    if (client_ < 0 || pending_.isEmpty()) {
        return;
    }
    if (!localSocket::send(client_, pending_)) {
        dropClient(QStringLiteral("client disconnected"));
    } else if (pending_.isEmpty()) {
        dropping_ = false;
    }
}
