#pragma once

#include <QString>

// How an operation on a device speaks to whoever runs it. The parameter window shows each text
// in a message box and asks each question in a Yes/No box; the command line prints the texts and
// answers the questions from its options. The operations never show anything themselves.
class DeviceReporter {
  public:
    virtual ~DeviceReporter() = default;
    // A message for the user, in the words the window has always used.
    virtual void tell(const QString& text) = 0;
    // A question; true proceeds.
    virtual bool confirm(const QString& text, const QString& title) = 0;
};
