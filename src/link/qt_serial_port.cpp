#include "link/qt_serial_port.h"

#include <QFileInfo>
#include <QStringList>
#include <QThread>
#include <cerrno>
#include <cstring>

#include "files/visible_text.h"
#include "link/line_settings.h"
#include "ports/lock_files.h"
#include "ports/port_names.h"

namespace {

struct PortSettings {
    qint32 baud = 9600;
    QSerialPort::Parity parity = QSerialPort::NoParity;
    QSerialPort::DataBits dataBits = QSerialPort::Data8;
    QSerialPort::StopBits stopBits = QSerialPort::OneStop;
};

// The settings text as QSerialPort takes it; throws PortError on a bad text.
PortSettings parseSettings(const QString& text) {
    const LineSettings line = parseLineSettings(text);
    PortSettings s;
    s.baud = line.baud;
    switch (line.parity) {
        case 'E':
            s.parity = QSerialPort::EvenParity;
            break;
        case 'O':
            s.parity = QSerialPort::OddParity;
            break;
        case 'M':
            s.parity = QSerialPort::MarkParity;
            break;
        case 'S':
            s.parity = QSerialPort::SpaceParity;
            break;
        default:
            s.parity = QSerialPort::NoParity;
            break;
    }
    s.dataBits = static_cast<QSerialPort::DataBits>(line.dataBits);
    s.stopBits = line.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop;
    return s;
}

}  // namespace

// Reading is by polling, between exchanges too, and a device may stream while nothing is read:
// past this much the port leaves the rest in the system's own small buffer instead of growing.
QtSerialPort::QtSerialPort() {
    port_.setReadBufferSize(64 * 1024);
}

QtSerialPort::~QtSerialPort() {
    if (port_.isOpen()) {
        port_.close();
    }
}

void QtSerialPort::setPortNumber(int number) {
    if (port_.isOpen()) {
        throw PortError(QStringLiteral("Port is already open"));
    }
    number_ = number;
}

void QtSerialPort::setSettings(const QString& settings) {
    parseSettings(settings);  // refuse bad settings now, as the device control would
    settings_ = settings;
    if (port_.isOpen()) {
        applySettings();
    }
}

void QtSerialPort::setDtr(bool on) {
    dtr_ = on;
    if (port_.isOpen()) {
        applyDtr();
    }
}

void QtSerialPort::setInputLength(int length) {
    inputLength_ = length > 0 ? length : 1;
}

void QtSerialPort::setReceiveThreshold(int) {
    // Nothing to do: no window handles receive events, all reading is by polling.
}

void QtSerialPort::open() {
    if (port_.isOpen()) {
        throw PortError(QStringLiteral("Port is already open"));
    }
    openFailure_.reset();
    // A link is opened as the device it leads to, so that the serial lock file is named after
    // the device (LCK..ttyUSB0), as other serial programs name theirs. A link that leads
    // nowhere is opened as itself and fails as a missing device.
    const QString path = portDevicePath(number_);
    const QString resolved = QFileInfo(path).canonicalFilePath();
    const QString device = resolved.isEmpty() ? path : resolved;
    const QString link = path == defaultPortDevice(number_) ? QString() : path;
    // QSerialPort reads a file of the lock file's name when there is one (to tell whether its
    // program is gone), and so does the explanation of a busy port; in a folder every user may
    // write, a named pipe there would block the open for ever, and a link to /dev/zero would be
    // read without end. Such a thing is named instead, and the device is not opened.
    if (const auto bad = unusableLockFile(device)) {
        openFailure_ = OpenFailure{
            OpenFailureKind::BadLockFile, number_, link, device, bad->path, bad->problem};
        throw PortError(QStringLiteral("Unusable lock file %1").arg(visibleText(bad->path)));
    }
    port_.setPortName(device);
    if (!port_.open(QIODevice::ReadWrite)) {
        const QString description = port_.errorString();
        openFailure_ =
            OpenFailure{openFailureKind(port_.error(), description, device), number_, link, device};
        port_.clearError();
        throw PortError(description);
    }
    try {
        applySettings();
        applyDtr();
    } catch (const PortError&) {
        port_.close();
        throw;
    }
}

QString QtSerialPort::openFailureHelp() const {
    return openFailure_ ? explainOpenFailure(*openFailure_) : QString();
}

void QtSerialPort::close() {
    if (port_.isOpen()) {
        port_.close();
    }
    port_.clearError();
}

bool QtSerialPort::isOpen() const {
    return port_.isOpen();
}

void QtSerialPort::write(const QByteArray& data) {
    requireOpen();
    errno = 0;
    if (port_.write(data) != data.size()) {
        fail();
    }
    // Without an event loop nothing leaves the buffer unless we wait for it; allow the line's
    // own time for the bytes plus a second.
    const PortSettings s = parseSettings(settings_);
    const int lineMs = static_cast<int>(qint64{data.size()} * 10 * 1000 / s.baud);
    errno = 0;
    if (!port_.waitForBytesWritten(1000 + lineMs)) {
        fail();
    }
}

QByteArray QtSerialPort::read() {
    requireOpen();
    if (port_.bytesAvailable() == 0) {
        pollInput(0);
    }
    return port_.read(inputLength_);
}

void QtSerialPort::delay(int ms) {
    QThread::msleep(static_cast<unsigned long>(ms));
}

bool QtSerialPort::waitForInput(int ms) {
    requireOpen();
    if (port_.bytesAvailable() > 0) {
        return true;
    }
    pollInput(ms);
    return port_.bytesAvailable() > 0;
}

void QtSerialPort::applySettings() {
    const PortSettings s = parseSettings(settings_);
    errno = 0;
    const bool ok = port_.setBaudRate(s.baud) && port_.setParity(s.parity) &&
                    port_.setDataBits(s.dataBits) && port_.setStopBits(s.stopBits) &&
                    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (!ok) {
        fail();
    }
}

void QtSerialPort::applyDtr() {
    errno = 0;
    if (!port_.setDataTerminalReady(dtr_)) {
        // A pseudo-terminal has no modem lines and refuses DTR; that is no failure. Any other
        // refusal is.
        if (port_.error() != QSerialPort::UnsupportedOperationError) {
            fail();
        }
        port_.clearError();
    }
}

void QtSerialPort::requireOpen() const {
    if (!port_.isOpen()) {
        throw PortError(QStringLiteral("Port is not open"));
    }
}

// Lets QSerialPort pull what the driver has received, waiting at most ms for it.
void QtSerialPort::pollInput(int ms) {
    errno = 0;
    if (port_.waitForReadyRead(ms)) {
        return;
    }
    switch (port_.error()) {
        case QSerialPort::NoError:
            return;
        case QSerialPort::TimeoutError:
            port_.clearError();  // a quiet line, not a failure
            return;
        default:
            fail();  // e.g. ResourceError when the far end vanished, though isOpen() stays true
    }
}

void QtSerialPort::fail() {
    const QString description = failureDescription();
    if (port_.isOpen()) {
        port_.close();
    }
    port_.clearError();
    throw PortError(description);
}

// Each call that may fail starts with errno cleared. A line that was hung up (adapter unplugged)
// reads as an end of file, which sets no errno: QSerialPort then reports only "Unknown error".
// A write to such a line fails with EIO, so that is the reason the user is given.
QString QtSerialPort::failureDescription() const {
    if (errno == 0 &&
        (port_.error() == QSerialPort::ReadError || port_.error() == QSerialPort::ResourceError)) {
        return QString::fromLocal8Bit(std::strerror(EIO));
    }
    return port_.errorString();
}

namespace {

QtMessageHandler previousHandler = nullptr;

void dropNotifierWarning(QtMsgType type, const QMessageLogContext& context,
                         const QString& message) {
    if (type == QtWarningMsg &&
        message == QLatin1String("QSocketNotifier: Can only be used with threads started with "
                                 "QThread")) {
        return;
    }
    if (previousHandler) {
        previousHandler(type, context, message);
    }
}

}  // namespace

void quietSerialNotifierWarnings() {
    previousHandler = qInstallMessageHandler(dropNotifierWarning);
}
