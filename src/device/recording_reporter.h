#pragma once

#include <QStringList>
#include <functional>

#include "device/device_reporter.h"

// A reporter without a user: it keeps what was said, passes it on when asked to (the command
// line prints it as it comes), and answers every question the same way.
class RecordingReporter : public DeviceReporter {
  public:
    explicit RecordingReporter(bool answer = false) : answer(answer) {}

    void tell(const QString& text) override {
        said << text;
        if (echo) {
            echo(text);
        }
    }
    bool confirm(const QString& text, const QString&) override {
        asked << text;
        return answer;
    }

    bool answer;
    QStringList said;
    QStringList asked;
    std::function<void(const QString&)> echo;
};
