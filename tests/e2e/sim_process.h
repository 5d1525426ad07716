#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

#include "support/config_home.h"

// nvq-can-sim running as its own process on pseudo-terminals, with this test's ports folder:
// XDG_CONFIG_HOME points into a temporary folder for as long as the object lives.
class SimProcess {
  public:
    explicit SimProcess(const QStringList& args);
    ~SimProcess();

    bool started() const { return started_; }
    // What it printed on starting, a line per port.
    QString startup() const { return startup_; }
    // The TCP port COM N listens on, from its start-up line ("COM3: tcp://127.0.0.1:4001, ...");
    // 0 when it serves none.
    int tcpPort(int com) const;
    // The folder of its comN links.
    QString portsDir() const { return dir_.filePath("nvq-can-setup/ports"); }
    // Sends a control line and waits for the simulator's answer.
    QString control(const QString& line);
    // The traffic log so far.
    QString log() const;
    // The lines the simulator received (without CR) on a port ("COM3"), or on every port.
    QStringList sent(const QString& port = QString()) const;

  private:
    // Standard output until it holds that many lines or the time is up.
    QByteArray readLines(qsizetype lines, int ms);

    QTemporaryDir dir_;
    ConfigHome configHome_{dir_.path()};
    QProcess process_;
    bool started_ = false;
    QString startup_;
};
