#include "vanish/vanish_rig.h"

#include <QTemporaryDir>
#include <QTest>

#include "connect/select_com_form.h"
#include "support/engine_settle.h"

VanishRig::VanishRig() : device(&rig.addDevice(1, 5)) {
    // While a message box is open its event loop lets the main window's timer fire.
    rig.prompter.whileShowing = [this] {
        if (form) {
            const qsizetype before = rig.hub.lines().size();
            form->Timer1_Timer();
            sentWhileShowing += rig.hub.lines().mid(before);
        }
    };
}

MainControlForm& VanishRig::start(bool keepStartUpLines) {
    form = std::make_unique<MainControlForm>(rig.services());
    MainSession& session = form->session();
    session.PausePolling = false;
    session.values.ComAddress = "05";
    session.values.Baudrate = "9600";
    session.values.ComPortNumber = 1;
    form->show();
    form->load();
    if (!keepStartUpLines) {
        rig.takeLines();
    }
    return *form;
}

void VanishRig::tickAt(int pollStep) {
    form->session().run([pollStep](MainLine& m) { m.cycle.pollStep = pollStep; });
    settleEngines();
    form->Timer1_Timer();
    settleEngines();
}

void VanishRig::pickDevice(const QString& id) {
    QComboBox* ids = form->comm.SelectedDeviceID;
    ids->setCurrentIndex(ids->findText(id));
    emit ids->activated(ids->currentIndex());
    settleEngines();
}

void VanishRig::expectGivenUpThenReconnects(const QStringList& messages) {
    EXPECT_EQ(rig.prompter.messages(), messages);
    EXPECT_TRUE(sentWhileShowing.isEmpty());
    MainSession& s = form->session();
    const CommunicationPanel& c = form->comm;
    EXPECT_EQ(QStringList({c.ComStatusDisplay->text(),
                           c.ComStatusDisplay->palette().color(QPalette::Base).name(),
                           c.SelectedDeviceID->currentText(), c.ID->text(), c.Version->text(),
                           form->sync.SyncPos->text()}),
              QStringList({"Invalid Port", "#808080", s.values.ComAddress, "???", "???", "0"}));
    EXPECT_TRUE(form->sync.SyncEqual->isChecked());
    EXPECT_FALSE(s.values.ComPortStatus || s.values.ComStatus || s.PausePolling ||
                 form->Timer1->isActive() || s.portOpen);

    const qsizetype said = rig.prompter.shown.size();
    rig.takeLines();
    for (int step = 1; step <= 8; ++step) {
        tickAt(step);
    }
    form->control.JOGP->click();
    form->terminal.SendTerminalText->setText("VER");
    QTest::keyClick(form->terminal.SendTerminalText, Qt::Key_Return);
    pickDevice("07");
    EXPECT_TRUE(rig.takeLines().isEmpty());
    EXPECT_EQ(rig.prompter.shown.size(), said);

    form->Command2->click();
    settleEngines();
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->Timer1->isActive());
    EXPECT_TRUE(rig.hub.open_.isEmpty());
    form.reset();
    expectConnectsAgain();
}

void VanishRig::expectConnectsAgain() {
    rig.hub.restore(1);
    rig.prompter.clear();
    QTemporaryDir dir;
    SelectComForm dialog(rig.services(), dir.filePath("nvq-can.ini"));
    dialog.combo->setCurrentText("COM1");
    dialog.baudCom->setCurrentText("9600");
    dialog.DeviceIDCombo->setCurrentText("05");
    QStringList shown;
    rig.modal.scripts.append([&](QDialog& window) {
        auto& main = dynamic_cast<MainControlForm&>(window);
        shown = {main.comm.ComStatusDisplay->text(), QString::number(main.Timer1->isActive())};
    });
    dialog.Connect->click();
    EXPECT_EQ(shown, QStringList({"Communication OK", "1"}));
    EXPECT_TRUE(rig.prompter.shown.isEmpty());
    EXPECT_TRUE(rig.hub.open_.isEmpty());
}
