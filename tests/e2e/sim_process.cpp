#include "e2e/sim_process.h"

#include <QDeadlineTimer>
#include <QFile>

SimProcess::SimProcess(const QStringList& args) {
    process_.start(QStringLiteral(NVQ_SIM_PATH),
                   QStringList{"--ports-dir", portsDir(), "--log", dir_.filePath("log")} + args);
    // Ready once it has printed a line per port.
    const qsizetype ports = std::max<qsizetype>(1, args.count("--port"));
    started_ = process_.waitForStarted(5000) && readLines(ports, 10000).count('\n') >= ports;
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
