#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <functional>
#include <memory>

#include "files/settings_file.h"
#include "widgets/window_services.h"

class ComPorts;
class PortInventory;
class SearchCom;

// The connection dialog the program opens at start: port, baud rate and device ID, remembered in
// the settings file; "Connect" shows the main control window modally, "Search" and "Search All"
// run the scan window modally and report what it found, "Ports..." lists the adapters and their
// COM numbers, "Exit" ends the program. The port list shows what each COM number reaches, and
// follows adapters plugged in and out while the dialog is open.
class SelectComForm : public QDialog {
    Q_OBJECT
  public:
    explicit SelectComForm(const WindowServices& services,
                           const QString& settingsPath = QString::fromLatin1(kSettingsFileName),
                           QWidget* parent = nullptr);
    ~SelectComForm() override;

    SerialChoices choices() const;
    // Looks at the serial lines again when anything may have changed (always, with force): gives
    // adapters seen for the first time their COM numbers and shows what each number reaches.
    // PortsTimer calls it every second.
    void refreshPorts(bool force = false);

    QComboBox* combo;
    QComboBox* baudCom;
    QComboBox* DeviceIDCombo;
    QPushButton* Connect;
    QPushButton* SearchNVQ;
    QPushButton* SearchAllNVQ;
    QPushButton* Ports;
    QPushButton* Close;
    QLabel* Image1;
    QLabel* PortPath;  // what the chosen port reaches (an ElidedLabel)
    QTimer* PortsTimer;

    // Ends the program after "Exit"; tests replace it.
    std::function<void()> endProgram;

  private:
    void buildLayout();
    void load();
    void select(QComboBox* list, const QString& text);
    void Connect_Click();
    void Close_Click();
    void SearchNVQ_Click();
    void SearchAllNVQ_Click();
    void Ports_Click();
    void showChild(QDialog& child);
    void runSearch(SearchCom& search, bool all);
    void selectFound(const SearchCom& search);
    void saveSettings();
    void showPortPath();

    WindowServices services_;
    QString settingsPath_;
    std::unique_ptr<PortInventory> noInventory_;  // when the services bring none
    std::unique_ptr<ComPorts> ports_;
};
