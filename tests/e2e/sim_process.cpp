#include "e2e/sim_process.h"

#include <QDeadlineTimer>
#include <QFile>
#include <QRegularExpression>

SimProcess::SimProcess(const QStringList& args) {
    process_.start(QStringLiteral(NVQ_SIM_PATH),
                   QStringList{"--ports-dir", portsDir(), "--log", dir_.filePath("log")} + args);
    // Ready once it has printed a line per port.
    const qsizetype ports = std::max<qsizetype>(1, args.count("--port"));
    if (process_.waitForStarted(5000)) {
        startup_ = QString::fromLocal8Bit(readLines(ports, 10000));
        started_ = startup_.count('\n') >= ports;
    }
}

int SimProcess::tcpPort(int com) const {
    const QRegularExpression line(
        QStringLiteral("^COM%1: (tcp|rfc2217)://127\\.0\\.0\\.1:(\\d+), ").arg(com),
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch m = line.match(startup_);
    return m.hasMatch() ? m.captured(2).toInt() : 0;
}

SimProcess::~SimProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.write("quit\n");
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
}

QByteArray SimProcess::readLines(qsizetype lines, int ms) {
    QByteArray out;
    for (QDeadlineTimer deadline(ms); out.count('\n') < lines && !deadline.hasExpired();) {
        process_.waitForReadyRead(100);
        out += process_.readAllStandardOutput();
    }
    return out;
}

QString SimProcess::control(const QString& line) {
    process_.readAllStandardOutput();
    process_.write((line + "\n").toLocal8Bit());
    return QString::fromLocal8Bit(readLines(1, 5000)).trimmed();
}

QString SimProcess::log() const {
    QFile file(dir_.filePath("log"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

QStringList SimProcess::sent(const QString& port) const {
    const QString arrow = port + " -> ";
    QStringList lines;
    for (const QString& line : log().split('\n')) {
        const qsizetype at = line.indexOf(arrow);
        if (at >= 0) {
            lines << line.mid(at + arrow.size()).split("<CR>", Qt::SkipEmptyParts);
        }
    }
    return lines;
}
