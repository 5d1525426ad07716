#include "sim/pty_link.h"

#include <fcntl.h>
#include <termios.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstdlib>
#include <stdexcept>

namespace {

int baudFromSpeed(speed_t speed) {
    switch (speed) {
        case B9600:
            return 9600;
        case B19200:
            return 19200;
        case B38400:
            return 38400;
        case B57600:
            return 57600;
        case B115200:
            return 115200;
        default:
            return 0;
    }
}

}  // namespace

PtyLink::PtyLink(int number, QString linkPath, bool offered)
    : number_(number), linkPath_(std::move(linkPath)), offered_(offered) {}

PtyLink::~PtyLink() {
    closePty();
    QFile::remove(linkPath());
}

void PtyLink::create() {
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_NONBLOCK);
    if (master_ < 0 || grantpt(master_) != 0 || unlockpt(master_) != 0) {
        throw std::runtime_error("cannot create a pseudo-terminal");
    }
    slavePath_ = QString::fromLocal8Bit(ptsname(master_));
    slave_ = ::open(slavePath_.toLocal8Bit().constData(), O_RDWR | O_NOCTTY);
    if (slave_ < 0) {
        throw std::runtime_error("cannot open the pseudo-terminal's slave side");
    }
    // Raw, 9600 baud until the program sets its own: no echo, no CR/LF translation.
    termios tio{};
    tcgetattr(slave_, &tio);
    cfmakeraw(&tio);
    cfsetispeed(&tio, B9600);
    cfsetospeed(&tio, B9600);
    tcsetattr(slave_, TCSANOW, &tio);

    QDir().mkpath(QFileInfo(linkPath()).path());
    QFile::remove(linkPath());
    if (!QFile::link(slavePath_, linkPath())) {
        throw std::runtime_error("cannot create the COM port link " + linkPath().toStdString());
    }
}

void PtyLink::vanish() {
    if (master_ < 0) {
        return;
    }
    closePty();
    QFile::remove(linkPath());
    if (!offered_) {
        // The link stays and points nowhere, as a user's link does when the adapter is unplugged.
        QFile::link(QFileInfo(linkPath()).path() + QStringLiteral("/unplugged-com%1").arg(number_),
                    linkPath());
    }
}

void PtyLink::closePty() {
    if (master_ >= 0) {
        ::close(slave_);
        ::close(master_);
        master_ = -1;
        slave_ = -1;
    }
}

void PtyLink::addPollFds(std::vector<pollfd>& fds) const {
    if (master_ >= 0) {
        fds.push_back({master_, POLLIN, 0});
    }
}

int PtyLink::baud() const {
    if (master_ < 0) {
        return 0;
    }
    termios tio{};
    if (tcgetattr(master_, &tio) != 0) {
        return 0;
    }
    return baudFromSpeed(cfgetospeed(&tio));
}

QByteArray PtyLink::readAvailable() {
    QByteArray out;
    if (master_ < 0) {
        return out;
    }
    char buffer[512];
    for (;;) {
        const ssize_t n = ::read(master_, buffer, sizeof buffer);
        if (n <= 0) {
            break;
        }
        out.append(buffer, static_cast<int>(n));
    }
    return out;
}

int PtyLink::writeSome(const QByteArray& bytes) {
    if (master_ < 0 || bytes.isEmpty()) {
        return 0;
    }
    const ssize_t n = ::write(master_, bytes.constData(), static_cast<size_t>(bytes.size()));
    return n > 0 ? static_cast<int>(n) : 0;
}
