#include "ports/serial_adapter.h"

#include <QStringList>

QString adapterDetails(const SerialAdapter& adapter) {
    QStringList known;
    for (const QString& detail :
         {adapter.description, adapter.manufacturer, adapter.serialNumber}) {
        if (!detail.isEmpty()) {
            known << detail;
        }
    }
    return known.join(QStringLiteral(" · "));
}

QString usbIds(const SerialAdapter& adapter) {
    if (!adapter.vendorId || !adapter.productId) {
        return QString();
    }
    return QStringLiteral("%1:%2")
        .arg(*adapter.vendorId, 4, 16, QLatin1Char('0'))
        .arg(*adapter.productId, 4, 16, QLatin1Char('0'));
}
