#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include "ports/port_names.h"
#include "ports/serial_adapter.h"

// The serial lines present on this machine. The program asks the system; tests use a fake.
class PortInventory {
  public:
    virtual ~PortInventory() = default;
    // Every line present now, ordered by system location (ttyUSB2 before ttyUSB10).
    virtual QList<SerialAdapter> adapters() = 0;
    // A value that changes whenever adapters() may have changed, and costs next to nothing:
    // the connection dialog asks for it every second while it is open, and asks for the
    // adapters (some milliseconds) only when it changed.
    virtual QByteArray signature() = 0;
};

// The system's serial ports as QSerialPortInfo lists them, each with its /dev/serial/by-id
// link as stable path (by-path when it has none), plus the lines offered in the adapters
// folder (by default the one port_names.h names at the time of asking).
class SystemPortInventory : public PortInventory {
  public:
    explicit SystemPortInventory(QString offeredFolder = QString());

    QList<SerialAdapter> adapters() override;
    QByteArray signature() override;

  private:
    QString offeredFolder() const;

    QString offeredFolder_;
};

// Orders system locations the way people count: the number at the end by its value.
bool systemLocationLess(const QString& a, const QString& b);
