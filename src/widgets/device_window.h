#pragma once

#include <QDialog>

// A window that talks to the device. Its load runs once, after the window was first shown, so
// that it is painted before any waiting on the line; its unload runs once, however the window
// ends (a button, the frame, or its destruction), so its port is always released. Escape does
// not close it: a dialog's Escape would throw away edits not yet downloaded or saved.
class DeviceWindow : public QDialog {
    Q_OBJECT
  public:
    using QDialog::QDialog;

    // Runs onLoad() unless it has run already. Tests call it directly.
    void load();

  protected:
    // Runs onUnload() once, and only after a load. A derived destructor must call it itself:
    // by the time the base's destructor runs the derived part is gone.
    void unload();

    virtual void onLoad() = 0;
    virtual void onUnload() = 0;

    void showEvent(QShowEvent* event) override;
    void done(int result) override;
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool loaded_ = false;
    bool unloaded_ = false;
};
