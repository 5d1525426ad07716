#pragma once

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QList>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <functional>

#include "link/network_address.h"

// "Add network port": a serial line behind a device server, reached by host, TCP port and
// protocol, and the free COM number through which both programs will reach it. The dialog only
// gathers and checks the fields; whoever opens it writes the entry (the add hook).
class NetworkPortDialog : public QDialog {
    Q_OBJECT
  public:
    explicit NetworkPortDialog(const QList<int>& freeNumbers, QWidget* parent = nullptr);

    // The COM numbers offered; the chosen one stays chosen while it is among them, else the
    // lowest is.
    void setFreeNumbers(const QList<int>& numbers);
    // The chosen COM number; 0 when none is free.
    int chosenNumber() const;
    // The address the fields give, or why they give none.
    ParsedAddress address() const;

    // Called by Add with the number and a checked address: true when the port was added, and
    // the dialog then closes; else it stays open (whoever added told the user why).
    std::function<bool(int number, const NetworkAddress& address)> add;

    QLineEdit* Host;
    QSpinBox* PortNumber;
    QRadioButton* Rfc2217;
    QRadioButton* RawTcp;
    QComboBox* ComNumber;
    QLabel* Problem;  // why Add cannot add (the host, no free number), in red; hidden if none
    QPushButton* Add;
    QPushButton* Cancel;

  private:
    void buildLayout();
    void Add_Click();
    void updateAdd();
    void showProblem(const QString& problem);
};
