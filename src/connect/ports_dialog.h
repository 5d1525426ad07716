#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QList>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <optional>

#include "ports/com_ports.h"

class Prompter;

// "Ports...": every adapter with its details and its COM number, which the user may change or
// take away. Adapters that have a number but are unplugged are listed too, so that their numbers
// can be given back. Adapters plugged in or out while it is open appear and disappear.
class PortsDialog : public QDialog {
    Q_OBJECT
  public:
    PortsDialog(ComPorts& ports, Prompter* prompter, QWidget* parent = nullptr);

    // Looks at the adapters again (every second while the window is open); the table is built
    // anew when anything changed.
    void refresh(bool force = false);
    // The row of the adapter with this device or stable path; -1 when none.
    int rowOf(const QString& deviceOrStablePath) const;
    // The COM number list of a row: "None", "COM1" ... "COM15".
    QComboBox* comChoice(int row) const;
    // The texts of a row's cells, the COM number as its list shows it.
    QStringList rowTexts(int row) const;

    QTableWidget* PortTable;
    QLabel* PortsNote;
    QPushButton* Close;
    QTimer* RefreshTimer;

  private:
    struct Row {
        QString stablePath;
        std::optional<SerialAdapter> adapter;  // none: unplugged
        int number = 0;
    };
    void buildLayout();
    QString noteText() const;
    void fill();
    void fillRow(int row, const Row& r);
    QComboBox* numberChoice(const Row& r);
    void choose(const Row& r, int number);

    ComPorts& ports_;
    Prompter* prompter_;
    QList<Row> rows_;
};
