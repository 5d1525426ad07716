#pragma once

#include <QByteArray>
#include <QString>

// XDG_CONFIG_HOME points at the folder for the life of the guard, so that the program's ports
// and adapters folders lie in a test's own temporary folder.
class ConfigHome {
  public:
    explicit ConfigHome(const QString& folder) : saved_(qgetenv("XDG_CONFIG_HOME")) {
        qputenv("XDG_CONFIG_HOME", folder.toLocal8Bit());
    }
    ~ConfigHome() {
        if (saved_.isNull()) {
            qunsetenv("XDG_CONFIG_HOME");
        } else {
            qputenv("XDG_CONFIG_HOME", saved_);
        }
    }
    ConfigHome(const ConfigHome&) = delete;
    ConfigHome& operator=(const ConfigHome&) = delete;

  private:
    QByteArray saved_;
};
