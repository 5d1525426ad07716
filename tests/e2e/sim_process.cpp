#include "e2e/sim_process.h"

#include <QDeadlineTimer>
#include <QFile>

SimProcess::SimProcess(const QStringList& args) : savedConfigHome_(qgetenv("XDG_CONFIG_HOME")) {
    qputenv("XDG_CONFIG_HOME", dir_.path().toLocal8Bit());
    process_.setProgram(QStringLiteral(NVQ_SIM_PATH));
    process_.setArguments(QStringList{"--ports-dir", portsDir(), "--log", dir_.filePath("log")} +
                          args);
    process_.start();
    if (!process_.waitForStarted(5000)) {
        return;
    }
    // Ready once it has printed a line per port.
    const int ports = std::max<qsizetype>(1, args.count("--port"));
    QDeadlineTimer deadline(10000);
    QByteArray out;
    while (out.count('\n') < ports && !deadline.hasExpired()) {
        process_.waitForReadyRead(100);
        out += process_.readAllStandardOutput();
    }
    started_ = out.count('\n') >= ports;
}

SimProcess::~SimProcess() {
    if (process_.state() != QProcess::NotRunning) {
        process_.write("quit\n");
        if (!process_.waitForFinished(3000)) {
            process_.kill();
            process_.waitForFinished(3000);
        }
    }
    if (savedConfigHome_.isNull()) {
        qunsetenv("XDG_CONFIG_HOME");
    } else {
        qputenv("XDG_CONFIG_HOME", savedConfigHome_);
    }
}

QString SimProcess::control(const QString& line) {
    process_.readAllStandardOutput();
    process_.write((line + "\n").toLocal8Bit());
    QByteArray out;
    QDeadlineTimer deadline(5000);
    while (!out.contains('\n') && !deadline.hasExpired()) {
        process_.waitForReadyRead(100);
        out += process_.readAllStandardOutput();
    }
    return QString::fromLocal8Bit(out).trimmed();
}

QString SimProcess::log() const {
    QFile file(dir_.filePath("log"));
    return file.open(QIODevice::ReadOnly) ? QString::fromLocal8Bit(file.readAll()) : QString();
}

QString SimProcess::portsDir() const {
    return dir_.filePath("nvq-can-setup/ports");
}
