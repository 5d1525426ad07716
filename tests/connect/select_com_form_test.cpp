#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "connect/select_com_form.h"
#include "main_window/main_control_form.h"
#include "support/sim_rig.h"

namespace {

class SelectComFormTest : public ::testing::Test {
  protected:
    QString settingsPath() const { return dir.filePath("nvq-can.ini"); }

    void writeSettings(const QByteArray& content) {
        QFile file(settingsPath());
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
    }

    QByteArray settings() const {
        QFile file(settingsPath());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    // Records what the main window received each time it was shown.
    void recordMainWindow() {
        rig.modal.scripts.append([this](QDialog& window) {
            auto& main = dynamic_cast<MainControlForm&>(window);
            received.append(main.session().values);
            pauses.append(main.session().PausePolling);
        });
    }

    QTemporaryDir dir;
    SimRig rig;
    QList<ConnectionValues> received;
    QList<bool> pauses;
};

TEST_F(SelectComFormTest, FirstRunShowsTheDefaults) {
    SelectComForm form(rig.services(), settingsPath());
    EXPECT_EQ(form.windowTitle(), "NVQ-CAN d108");
    EXPECT_EQ(form.combo->currentText(), "COM1");
    EXPECT_EQ(form.baudCom->currentText(), "9600");
    EXPECT_EQ(form.DeviceIDCombo->currentText(), "01");
    EXPECT_EQ(form.combo->count(), 15);
    EXPECT_EQ(form.DeviceIDCombo->count(), 99);
    EXPECT_EQ(form.Connect->text(), "RS-232 / RS-485");
    EXPECT_EQ(form.Close->text(), "Exit");
}

TEST_F(SelectComFormTest, ConnectSavesTheChoicesAndHandsThemToTheMainWindow) {
    writeSettings("COM12\r\n57600\r\n23\r\n");
    SelectComForm form(rig.services(), settingsPath());
    EXPECT_EQ(form.combo->currentText(), "COM12");
    QFile::remove(settingsPath());

    recordMainWindow();
    form.Connect->click();
    EXPECT_EQ(settings(), QByteArray("COM12\r\n57600\r\n23\r\n"));
    ASSERT_EQ(received.size(), 1);
    EXPECT_EQ(received[0].ComPortNumber, 12);
    EXPECT_EQ(received[0].Baudrate, "57600");
    EXPECT_EQ(received[0].ComAddress, "23");
    EXPECT_FALSE(pauses[0]);

    // Back in the dialog with the same choices; a second Connect rewrites the file.
    EXPECT_EQ(form.combo->currentText(), "COM12");
    form.baudCom->setCurrentText("9600");
    recordMainWindow();
    form.Connect->click();
    EXPECT_EQ(rig.modal.shownCount, 2);
    EXPECT_EQ(settings(), QByteArray("COM12\r\n9600\r\n23\r\n"));
}

TEST_F(SelectComFormTest, ExitSavesTheChoicesAndEndsTheProgram) {
    SelectComForm form(rig.services(), settingsPath());
    bool ended = false;
    form.endProgram = [&] { ended = true; };
    form.combo->setCurrentText("COM3");
    form.DeviceIDCombo->setCurrentText("07");
    form.Close->click();
    EXPECT_TRUE(ended);
    EXPECT_EQ(settings(), QByteArray("COM3\r\n9600\r\n07\r\n"));
    EXPECT_EQ(rig.modal.shownCount, 0);
}

TEST_F(SelectComFormTest, AnUnwritableSettingsFileStopsNothing) {
    const QString blocked = dir.filePath("no-such-folder/nvq-can.ini");
    SelectComForm form(rig.services(), blocked);
    bool ended = false;
    form.endProgram = [&] { ended = true; };
    form.Connect->click();
    EXPECT_EQ(rig.modal.shownCount, 1);
    form.Close->click();
    EXPECT_TRUE(ended);
    EXPECT_FALSE(QFile::exists(blocked));
}

TEST_F(SelectComFormTest, ShowsTheDeviceThePortResolvesTo) {
    QTemporaryDir config;
    const QByteArray saved = qgetenv("XDG_CONFIG_HOME");
    qputenv("XDG_CONFIG_HOME", config.path().toLocal8Bit());
    QDir().mkpath(config.filePath("nvq-can-setup/ports"));
    QFile::link("/dev/null", config.filePath("nvq-can-setup/ports/com4"));

    SelectComForm form(rig.services(), settingsPath());
    form.combo->setCurrentText("COM4");
    EXPECT_EQ(form.PortPath->text(), config.filePath("nvq-can-setup/ports/com4"));
    form.combo->setCurrentText("COM5");
    EXPECT_EQ(form.PortPath->text(), "/dev/ttyS4");

    if (saved.isNull()) {
        qunsetenv("XDG_CONFIG_HOME");
    } else {
        qputenv("XDG_CONFIG_HOME", saved);
    }
}

}  // namespace
