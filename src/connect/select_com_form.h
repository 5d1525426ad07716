#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <functional>

#include "connect/settings_file.h"
#include "widgets/window_services.h"

class SearchCom;

// The connection dialog the program opens at start: port, baud rate and device ID, remembered in
// the settings file; "Connect" shows the main control window modally, "Search" and "Search All"
// run the scan window modally and report what it found, "Exit" ends the program.
class SelectComForm : public QDialog {
    Q_OBJECT
  public:
    explicit SelectComForm(const WindowServices& services,
                           const QString& settingsPath = QString::fromLatin1(kSettingsFileName),
                           QWidget* parent = nullptr);

    SerialChoices choices() const;

    QComboBox* combo;
    QComboBox* baudCom;
    QComboBox* DeviceIDCombo;
    QPushButton* Connect;
    QPushButton* SearchNVQ;
    QPushButton* SearchAllNVQ;
    QPushButton* Close;
    QLabel* Image1;
    QLabel* PortPath;  // the device the chosen port resolves to

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
    void runSearch(SearchCom& search, bool all);
    void selectFound(const SearchCom& search);
    void saveSettings();
    void showPortPath();

    WindowServices services_;
    QString settingsPath_;
};
