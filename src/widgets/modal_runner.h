#pragma once

#include <QDialog>
#include <functional>

// Shows a child window modally and returns when it has been closed. The program uses exec();
// tests substitute a runner that shows the window, acts on it and closes it, so that the state
// of the opener while the child is open can be observed without a blocking loop.
class ModalRunner {
  public:
    virtual ~ModalRunner() = default;
    virtual void showModal(QDialog& window) = 0;
};

class ExecModalRunner : public ModalRunner {
  public:
    void showModal(QDialog& window) override { window.exec(); }
};

// For tests: shows the window (which runs its load), lets the jobs its load gave end, hands it to
// the script, then closes it unless the script already did.
class ScriptedModalRunner : public ModalRunner {
  public:
    using Script = std::function<void(QDialog&)>;
    void showModal(QDialog& window) override;

    QList<Script> scripts;  // one per showing, in order; an empty queue just closes the window
    int shownCount = 0;
    // Off for benches whose scripts wait in an event loop of their own: the window's thread
    // then never waits for the jobs.
    bool settleLoad = true;
};
