#pragma once

#include <QElapsedTimer>
#include <QProcess>
#include <QStringList>

// nvq-can run as a process with this process's environment (its ports folder, its lock folders),
// bounded in time; through a launcher (setpriv ...) when one is given.
struct TimedCliRun {
    int code = -1;  // -1: did not end in time, or crashed
    QString out;
    QString err;
    qint64 ms = 0;
};

inline TimedCliRun timedNvqCan(const QStringList& args, int timeoutMs = 10000,
                               const QStringList& launcher = {}) {
    QProcess p;
    QElapsedTimer clock;
    clock.start();
    if (launcher.isEmpty()) {
        p.start(QStringLiteral(NVQ_CLI_PATH), args);
    } else {
        p.start(launcher.first(), launcher.mid(1) + QStringList{NVQ_CLI_PATH} + args);
    }
    TimedCliRun run;
    if (!p.waitForFinished(timeoutMs)) {
        p.kill();
        p.waitForFinished(3000);
        run.ms = clock.elapsed();
        return run;
    }
    run.ms = clock.elapsed();
    run.code = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
    run.out = QString::fromLocal8Bit(p.readAllStandardOutput());
    run.err = QString::fromLocal8Bit(p.readAllStandardError());
    return run;
}
