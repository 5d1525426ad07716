#include "setup/communication_controls.h"

#include <QButtonGroup>
#include <QFormLayout>
#include <QHBoxLayout>

#include "widgets/ui_helpers.h"

namespace {

QComboBox* list(const char* name) {
    auto* combo = named<QComboBox>(name);
    combo->setEditable(false);  // only the list's own items
    combo->setMinimumWidth(100);
    return combo;
}

void fill(QComboBox* combo, const QStringList& items) {
    combo->clear();
    combo->addItems(items);
    combo->setCurrentIndex(-1);
}

}  // namespace

CommunicationControls::CommunicationControls()
    : setupFrame(
          named<QGroupBox>("CommunicationSetupFrame", QStringLiteral("Communication Setup"))),
      Ena232(named<QRadioButton>("Ena232", QStringLiteral("RS-232"))),
      Ena485(named<QRadioButton>("Ena485", QStringLiteral("RS-485"))),
      EnaCAN(named<QRadioButton>("EnaCAN", QStringLiteral("CANopen"))),
      RT(named<QCheckBox>("RT", QStringLiteral("Name appended to response"))),
      baudCombo(list("baudCombo")),
      CANbaudCombo(list("CANbaudCombo")),
      deviceIdFrame(named<QGroupBox>("DeviceIdFrame", QStringLiteral("Device ID"))),
      DeviceIDCombo(list("DeviceIDCombo")),
      NodeIDCombo1(list("NodeIDCombo1")) {
    auto* methods = new QButtonGroup(setupFrame);
    auto* methodRow = new QHBoxLayout;
    for (QRadioButton* option : {Ena232, Ena485, EnaCAN}) {
        methods->addButton(option);
        methodRow->addWidget(option);
    }
    Ena485->setChecked(true);

    auto* setup = new QFormLayout(setupFrame);
    setup->addRow(methodRow);
    setup->addRow(RT);
    setup->addRow(QStringLiteral("Serial Baud Rate:"), baudCombo);
    setup->addRow(QStringLiteral("CANOpen Bit Rate:"), CANbaudCombo);

    auto* ids = new QFormLayout(deviceIdFrame);
    ids->addRow(QStringLiteral("DN"), DeviceIDCombo);
    ids->addRow(QStringLiteral("NID"), NodeIDCombo1);
}

void CommunicationControls::fillLists() {
    fill(baudCombo, serialBaudItems());
    fill(CANbaudCombo, canBitRateItems());
    fill(DeviceIDCombo, deviceIdItems());
    fill(NodeIDCombo1, nodeIdItems());
}

CommMethod CommunicationControls::method() const {
    if (Ena485->isChecked()) {
        return CommMethod::Rs485;
    }
    return EnaCAN->isChecked() ? CommMethod::CanOpen : CommMethod::Rs232;
}

void CommunicationControls::selectMethod(CommMethod method) {
    switch (method) {
        case CommMethod::Rs232:
            Ena232->setChecked(true);
            break;
        case CommMethod::Rs485:
            Ena485->setChecked(true);
            break;
        case CommMethod::CanOpen:
            EnaCAN->setChecked(true);
            break;
    }
}

bool selectItem(QComboBox* list, const QString& text) {
    const int index = list->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (index < 0) {
        return false;
    }
    list->setCurrentIndex(index);
    return true;
}

void selectOrClear(QComboBox* list, const QString& text) {
    if (text.isEmpty()) {
        list->setCurrentIndex(-1);
    } else {
        selectItem(list, text);
    }
}
