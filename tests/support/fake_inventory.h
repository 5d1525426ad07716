#pragma once

#include <QByteArray>
#include <QList>

#include "ports/port_inventory.h"

// The serial lines a test says are present. Plugging and unplugging changes the signature, as
// the system's folders change when adapters come and go; it counts how often it was asked for
// its adapters.
class FakeInventory : public PortInventory {
  public:
    QList<SerialAdapter> adapters() override {
        ++lookups;
        return present;
    }
    QByteArray signature() override { return QByteArray::number(changes); }

    void plug(const SerialAdapter& adapter) {
        present << adapter;
        ++changes;
    }
    void unplug(const QString& systemLocation) {
        present.removeIf(
            [&](const SerialAdapter& a) { return a.systemLocation == systemLocation; });
        ++changes;
    }

    QList<SerialAdapter> present;
    int changes = 0;
    int lookups = 0;
};
