#pragma once

#include <functional>

#include "device/device_reporter.h"
#include "device/parameter_set.h"

class Prompter;
struct SetupControls;

// The parameter set the controls hold.
ParameterSet parameterSetFrom(const SetupControls& controls);
// Shows the set in the controls: each control takes its value (an empty list value clears the
// list's selection, a value that is no item of its list leaves the list as it was).
void showParameterSet(const ParameterSet& set, SetupControls& controls);

// The parameter window's reporter: message boxes and Yes/No questions through the Prompter.
// Before each one the window shows the values an operation has reached, so that a message
// about a failure stands over the controls as far as the operation filled them.
class WindowReporter : public DeviceReporter {
  public:
    explicit WindowReporter(Prompter& prompter) : prompter_(prompter) {}

    void tell(const QString& text) override;
    bool confirm(const QString& text, const QString& title) override;

    // Runs operation on the set the controls hold and shows the result in them, also before
    // every message and question on the way.
    void runOn(SetupControls& controls, const std::function<void(ParameterSet&)>& operation);

  private:
    Prompter& prompter_;
    std::function<void()> showSoFar_;
};
