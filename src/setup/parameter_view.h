#pragma once

#include <functional>

#include "device/device_reporter.h"
#include "device/line_engine.h"
#include "device/parameter_set.h"
#include "widgets/job_prompter.h"

struct SetupControls;

// The parameter set the controls hold.
ParameterSet parameterSetFrom(const SetupControls& controls);
// Shows the set in the controls: each control takes its value (an empty list value clears the
// list's selection, a value that is no item of its list leaves the list as it was).
void showParameterSet(const ParameterSet& set, SetupControls& controls);
// As showParameterSet, for the values in which set differs from before only: the other controls
// keep what they hold.
void showParameterChanges(const ParameterSet& before, const ParameterSet& set,
                          SetupControls& controls);

// The reporter of the parameter window's jobs, in its line engine's thread: each message and
// question is shown by the window's Prompter in the window's thread, and the job waits until it
// is closed or answered. While an operation runs on a set, the window is first shown the values
// the operation has reached, so that a message about a failure stands over the controls as far
// as the operation filled them.
class JobReporter : public DeviceReporter {
  public:
    JobReporter(LineEngine::Line& line, Prompter& prompter)
        : line_(line), prompter_(line, prompter) {}

    void tell(const QString& text) override;
    bool confirm(const QString& text, const QString& title) override;

    // Runs operation on set; show puts a set into the controls and runs in the window's thread,
    // with the set as it stands before every message and question on the way, and at the end.
    using Show = std::function<void(const ParameterSet&)>;
    void runOn(ParameterSet& set, const std::function<void(ParameterSet&)>& operation,
               const Show& show);

  private:
    void showSoFar();

    LineEngine::Line& line_;
    JobPrompter prompter_;
    std::function<void()> showSoFar_;
};
