#pragma once

#include <QProcess>
#include <QStringList>
#include <QTemporaryDir>

// nvq-can-sim running as its own process on pseudo-terminals, with this test's ports folder:
// XDG_CONFIG_HOME points into a temporary folder for as long as the object lives.
class SimProcess {
  public:
    explicit SimProcess(const QStringList& args);
    ~SimProcess();

    bool started() const { return started_; }
    // Sends a control line and waits for the simulator's answer.
    QString control(const QString& line);
    // The traffic log so far.
    QString log() const;
    QString portsDir() const;

  private:
    QTemporaryDir dir_;
    QProcess process_;
    QByteArray savedConfigHome_;
    bool started_ = false;
};
