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

class ModalRunner;
class Prompter;

// "Ports...": every adapter with its details and its COM number, which the user may change or
// take away. Adapters that have a number but are unplugged are listed too, so that their numbers
// can be given back. Adapters plugged in or out while it is open appear and disappear.
// "Add network port..." gives a free number to a serial line behind a device server; network
// ports are rows too, which may be given another free number or none (removed).
class PortsDialog : public QDialog {
    Q_OBJECT
  public:
    // The "Add network port" dialog is shown through modal (exec() when none is given).
    PortsDialog(ComPorts& ports, Prompter* prompter, QWidget* parent = nullptr,
                ModalRunner* modal = nullptr);

    // Looks at the adapters again (every second while the window is open); the table is built
    // anew when anything changed.
    void refresh(bool force = false);
    // The row of the adapter with this device or stable path, or of the network port with this
    // address; -1 when none.
    int rowOf(const QString& deviceOrStablePath) const;
    // The COM number list of a row: "None", "COM1" ... "COM15".
    QComboBox* comChoice(int row) const;
    // The texts of a row's cells, the COM number as its list shows it.
    QStringList rowTexts(int row) const;

    QTableWidget* PortTable;
    QLabel* PortsNote;
    QPushButton* AddNetwork;
    QPushButton* Close;
    QTimer* RefreshTimer;

  private:
    struct Row {
        QString stablePath;
        std::optional<SerialAdapter> adapter;  // none: unplugged
        int number = 0;
        QString network;  // the address of a network port's row ("rfc2217://gw:4001")
    };
    void buildLayout();
    QString noteText() const;
    void fill();
    void fillRow(int row, const Row& r);
    void fillNetworkRow(int row, const Row& r);
    QComboBox* numberChoice(const Row& r);
    void choose(const Row& r, int number);
    QString renumberNetwork(const Row& r, int number);
    void AddNetwork_Click();

    ComPorts& ports_;
    Prompter* prompter_;
    ModalRunner* modal_;
    QList<Row> rows_;
};
