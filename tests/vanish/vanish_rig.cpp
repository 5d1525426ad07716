#include "vanish/vanish_rig.h"

#include <QTemporaryDir>
#include <QTest>

#include "connect/select_com_form.h"
#include "widgets/status_colors.h"

VanishRig::VanishRig() : device(&rig.addDevice(1, 5)) {
    // While a message box is open its event loop lets the main window's timer fire.
    rig.prompter.whileShowing = [this] {
        if (form) {
            const QStringList before = rig.hub.lines();
            form->Timer1_Timer();
            sentWhileShowing += rig.hub.lines().mid(before.size());
        }
    };
}

MainControlForm& VanishRig::start() {
    form = std::make_unique<MainControlForm>(rig.services());
    MainSession& session = form->session();
    session.PausePolling = false;
    session.values.ComAddress = "05";
    session.values.Baudrate = "9600";
    session.values.ComPortNumber = 1;
    form->show();
    form->load();
    return *form;
}

void VanishRig::tickAt(int pollStep) {
    form->session().PollStep = pollStep;
    form->Timer1_Timer();
}

void VanishRig::expectPortGivenUp(const QStringList& messages) {
    EXPECT_EQ(rig.prompter.messages(), messages);
    EXPECT_TRUE(sentWhileShowing.isEmpty());
    const ConnectionValues& v = form->session().values;
    EXPECT_FALSE(v.ComPortStatus);
    EXPECT_FALSE(v.ComStatus);
    EXPECT_FALSE(form->session().PausePolling);
    EXPECT_EQ(form->comm.ComStatusDisplay->text(), "Invalid Port");
    EXPECT_EQ(form->comm.ComStatusDisplay->palette().color(QPalette::Base), StatusColors::kGrey);
    EXPECT_EQ(form->comm.SelectedDeviceID->currentText(), v.ComAddress);
    EXPECT_EQ(form->comm.ID->text(), "???");
    EXPECT_EQ(form->comm.Version->text(), "???");
    EXPECT_TRUE(form->sync.SyncEqual->isChecked());
    EXPECT_EQ(form->sync.SyncPos->text(), "0");
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_FALSE(form->session().port().isOpen());
}

void VanishRig::expectNothingMore() {
    const int said = rig.prompter.shown.size();
    rig.takeLines();
    for (int step = 1; step <= 8; ++step) {
        tickAt(step);
    }
    form->control.JOGP->click();
    form->terminal.SendTerminalText->setText("VER");
    QTest::keyClick(form->terminal.SendTerminalText, Qt::Key_Return);
    QComboBox* ids = form->comm.SelectedDeviceID;
    ids->setCurrentIndex(ids->findText("07"));
    emit ids->activated(ids->currentIndex());
    EXPECT_TRUE(rig.takeLines().isEmpty());
    EXPECT_EQ(rig.prompter.shown.size(), said);
}

void VanishRig::expectClosesCleanly() {
    form->Command2->click();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_TRUE(rig.hub.open_.isEmpty());
    form.reset();
}

void VanishRig::expectConnectsAgain() {
    rig.hub.restore(1);
    rig.prompter.clear();
    QTemporaryDir dir;
    SelectComForm dialog(rig.services(), dir.filePath("nvq-can.ini"));
    dialog.combo->setCurrentText("COM1");
    dialog.baudCom->setCurrentText("9600");
    dialog.DeviceIDCombo->setCurrentText("05");
    QString status;
    bool polling = false;
    rig.modal.scripts.append([&](QDialog& window) {
        auto& main = dynamic_cast<MainControlForm&>(window);
        status = main.comm.ComStatusDisplay->text();
        polling = main.Timer1->isActive();
    });
    dialog.Connect->click();
    EXPECT_EQ(status, "Communication OK");
    EXPECT_TRUE(polling);
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
    EXPECT_TRUE(rig.hub.open_.isEmpty());
}

void VanishRig::expectSilentClosedAndReconnectable() {
    expectNothingMore();
    expectClosesCleanly();
    expectConnectsAgain();
}
