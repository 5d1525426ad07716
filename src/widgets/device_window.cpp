#include "widgets/device_window.h"

#include <QKeyEvent>
#include <QTimer>

void DeviceWindow::load() {
    if (loaded_) {
        return;
    }
    loaded_ = true;
    onLoad();
}

void DeviceWindow::unload() {
    if (!loaded_ || unloaded_) {
        return;
    }
    unloaded_ = true;
    onUnload();
}

void DeviceWindow::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    if (!loaded_) {
        // Let the window paint first; loading may wait on a silent device.
        QTimer::singleShot(0, this, &DeviceWindow::load);
    }
}

void DeviceWindow::done(int result) {
    unload();
    QDialog::done(result);
}

void DeviceWindow::closeEvent(QCloseEvent* event) {
    unload();
    QDialog::closeEvent(event);
}

void DeviceWindow::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::Cancel)) {
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}
