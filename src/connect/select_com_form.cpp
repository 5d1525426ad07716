#include "connect/select_com_form.h"

#include <QApplication>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPainter>
#include <QVBoxLayout>

#include "connect/port_list.h"
#include "connect/ports_dialog.h"
#include "connect/search_com.h"
#include "main_window/main_control_form.h"
#include "ports/com_ports.h"
#include "widgets/elided_label.h"
#include "widgets/modal_runner.h"
#include "widgets/prompter.h"
#include "widgets/ui_helpers.h"

namespace {

// The logo: a stepper motor seen from its shaft end.
QPixmap logo() {
    QPixmap pixmap(64, 64);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 60, 110), 2));
    p.setBrush(QColor(70, 110, 170));
    p.drawRoundedRect(QRectF(6, 6, 52, 52), 8, 8);
    p.setBrush(QColor(220, 225, 235));
    p.drawEllipse(QRectF(16, 16, 32, 32));
    p.setBrush(QColor(30, 60, 110));
    p.drawEllipse(QRectF(28, 28, 8, 8));
    for (const QPointF& c : {QPointF(12, 12), QPointF(52, 12), QPointF(12, 52), QPointF(52, 52)}) {
        p.drawEllipse(c, 2.5, 2.5);
    }
    return pixmap;
}

// No serial lines at all: the dialog then shows what the ports folder's links reach.
class NoInventory : public PortInventory {
  public:
    QList<SerialAdapter> adapters() override { return {}; }
    QByteArray signature() override { return QByteArray(); }
};

// Selects the entry equal to text; a text that is not an entry leaves the list as it was.
void selectListed(QComboBox* list, const QString& text) {
    if (const int index = list->findText(text, Qt::MatchExactly); index >= 0) {
        list->setCurrentIndex(index);
    }
}

}  // namespace

SelectComForm::SelectComForm(const WindowServices& services, const QString& settingsPath,
                             QWidget* parent)
    : QDialog(parent),
      combo(named<QComboBox>("combo")),
      baudCom(named<QComboBox>("baudCom")),
      DeviceIDCombo(named<QComboBox>("DeviceIDCombo")),
      Connect(named<QPushButton>("Connect", glyphIcon(Glyph::Connect),
                                 QStringLiteral("RS-232 / RS-485"))),
      SearchNVQ(named<QPushButton>("SearchNVQ", QStringLiteral("Search"))),
      SearchAllNVQ(named<QPushButton>("SearchAllNVQ", QStringLiteral("Search All"))),
      Ports(named<QPushButton>("Ports", QStringLiteral("Ports..."))),
      Close(named<QPushButton>("Close", QStringLiteral("Exit"))),
      Image1(named<QLabel>("Image1")),
      PortPath(named<ElidedLabel>("PortPath")),
      PortsTimer(named<QTimer>("PortsTimer", this)),
      endProgram([] { QCoreApplication::quit(); }),
      services_(services),
      settingsPath_(settingsPath),
      noInventory_(services.inventory ? nullptr : std::make_unique<NoInventory>()),
      ports_(std::make_unique<ComPorts>(services.inventory ? *services.inventory : *noInventory_)) {
    // The windows opened from here keep their own files beside the settings file.
    services_.settingsFolder = QFileInfo(settingsPath).absolutePath();
    setObjectName(QStringLiteral("SelectComForm"));
    setWindowTitle(QStringLiteral("NVQ-CAN d108"));
    setWindowIcon(QIcon(logo()));  // the windows opened from here show it too
    buildLayout();
    load();
    connect(Connect, &QPushButton::clicked, this, &SelectComForm::Connect_Click);
    connect(Close, &QPushButton::clicked, this, &SelectComForm::Close_Click);
    connect(SearchNVQ, &QPushButton::clicked, this, &SelectComForm::SearchNVQ_Click);
    connect(SearchAllNVQ, &QPushButton::clicked, this, &SelectComForm::SearchAllNVQ_Click);
    connect(Ports, &QPushButton::clicked, this, &SelectComForm::Ports_Click);
    connect(combo, &QComboBox::currentTextChanged, this, &SelectComForm::showPortPath);
    refreshPorts(true);
    // Adapters plugged in or out show within a second; a look that finds nothing changed costs
    // a few stat calls.
    PortsTimer->setInterval(1000);
    connect(PortsTimer, &QTimer::timeout, this, [this] { refreshPorts(); });
    PortsTimer->start();
}

SelectComForm::~SelectComForm() = default;

void SelectComForm::buildLayout() {
    Image1->setPixmap(logo());
    auto* title = new QLabel(QStringLiteral("NVQ-CAN Software"));
    QFont big = title->font();
    big.setPointSizeF(big.pointSizeF() * 1.4);
    big.setBold(true);
    title->setFont(big);
    auto* header = new QHBoxLayout;
    header->addWidget(Image1);
    auto* names = new QVBoxLayout;
    names->addWidget(title);
    names->addWidget(new QLabel(QStringLiteral("Version 108")));
    header->addLayout(names);
    header->addStretch();

    auto* settings = new QGroupBox;
    auto* grid = new QGridLayout(settings);
    auto* heading = new QLabel(QStringLiteral("Serial Settings"));
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    grid->addWidget(heading, 0, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("COM Port:")), 1, 0);
    grid->addWidget(combo, 1, 1);
    PortPath->setStyleSheet(QStringLiteral("color: gray"));
    grid->addWidget(PortPath, 2, 0, 1, 2);
    grid->addWidget(new QLabel(QStringLiteral("Baud Rate:")), 3, 0);
    grid->addWidget(baudCom, 3, 1);
    grid->addWidget(new QLabel(QStringLiteral("Device ID:")), 4, 0);
    grid->addWidget(DeviceIDCombo, 4, 1);

    Connect->setIconSize(QSize(32, 32));
    Connect->setMinimumHeight(64);
    Connect->setDefault(true);
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(Connect);
    buttons->addWidget(SearchNVQ);
    buttons->addWidget(SearchAllNVQ);
    buttons->addWidget(Ports);
    buttons->addStretch();
    buttons->addWidget(Close);

    settings->setMinimumWidth(360);  // room for what the port reaches
    auto* body = new QHBoxLayout;
    body->addWidget(settings, 1);
    body->addLayout(buttons);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addLayout(body);
}

void SelectComForm::load() {
    combo->addItems(comPortEntries());
    baudCom->addItems(baudRateEntries());
    DeviceIDCombo->addItems(deviceIdEntries());
    const SerialChoices choices = choicesFromSettings(readSettingsFile(settingsPath_));
    select(combo, choices.port);
    select(baudCom, choices.baud);
    select(DeviceIDCombo, choices.id);
}

void SelectComForm::select(QComboBox* list, const QString& text) {
    list->setCurrentIndex(list->findText(text, Qt::MatchExactly));
}

SerialChoices SelectComForm::choices() const {
    return {combo->currentText(), baudCom->currentText(), DeviceIDCombo->currentText()};
}

void SelectComForm::saveSettings() {
    // A settings file that cannot be written (read-only folder) costs only the remembered
    // choices; the old file stays as it was.
    writeSettingsFile(settingsPath_, choices());
}

void SelectComForm::Connect_Click() {
    saveSettings();
    MainControlForm main(services_, this);
    MainSession& session = main.session();
    session.PausePolling = false;
    session.values.ComAddress = DeviceIDCombo->currentText();
    session.values.Baudrate = baudCom->currentText();
    session.values.ComPortNumber = comPortNumber(combo->currentText());
    showChild(main);
}

// While a child window is open nothing here changes under it; afterwards the dialog looks again,
// in full, as "Ports..." may have changed the numbers.
void SelectComForm::showChild(QDialog& child) {
    PortsTimer->stop();
    services_.modal->showModal(child);
    refreshPorts(true);
    PortsTimer->start();
}

void SelectComForm::Close_Click() {
    saveSettings();
    endProgram();
}

// The scan always starts afresh at port 1, whatever the dialog shows, and reaches every adapter
// that has a COM number, also one plugged in a moment ago, and every network port.
void SelectComForm::runSearch(SearchCom& search, bool all) {
    refreshPorts();
    search.StartSearch = false;
    search.SearchResult = false;
    search.PortNumber = 1;
    search.StartSearch = true;
    search.SearchAll = all;
    // A raw network stream runs at the rate its device server sets: the scan tries there only
    // the rate the dialog shows.
    search.fixedRateBaud = baudCom->currentText();
    showChild(search);
}

void SelectComForm::SearchNVQ_Click() {
    SearchCom search(services_, this);
    runSearch(search, false);
    if (!search.SearchResult) {
        services_.prompter->info(
            QStringLiteral("Device not found!  Please check wiring and power inputs"));
        return;
    }
    selectFound(search);
    services_.prompter->info(QStringLiteral("NVQ-CAN Found on Port:%1 Baud:%2 ID:%3")
                                 .arg(search.PortNumber)
                                 .arg(search.FoundBaud, search.FoundID));
}

// Selects the port, baud rate and ID of the device found.
void SelectComForm::selectFound(const SearchCom& search) {
    if (search.PortNumber >= 1 && search.PortNumber <= combo->count()) {
        combo->setCurrentIndex(search.PortNumber - 1);
    }
    selectListed(baudCom, search.FoundBaud);
    selectListed(DeviceIDCombo, search.FoundID);
}

void SelectComForm::SearchAllNVQ_Click() {
    SearchCom search(services_, this);
    runSearch(search, true);
    services_.prompter->info(search.SearchAllString.isEmpty() ? QStringLiteral("No device found!")
                                                              : search.SearchAllString);
}

void SelectComForm::Ports_Click() {
    PortsDialog dialog(*ports_, services_.prompter, this, services_.modal);
    showChild(dialog);
}

void SelectComForm::refreshPorts(bool force) {
    if (ports_->refresh(force) || force) {
        showReach(combo, ports_->state());
        showPortPath();
    }
}

void SelectComForm::showPortPath() {
    const int number = comPortNumber(combo->currentText());
    const QString reach = number >= kFirstComNumber && number <= kLastComNumber
                              ? comReach(ports_->state(), number)
                              : QString();
    PortPath->setText(reach);
    PortPath->setToolTip(plainToolTip(reach));
}
