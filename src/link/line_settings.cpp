#include "link/line_settings.h"

#include <QStringList>

#include "link/serial_port.h"

LineSettings parseLineSettings(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    bool ok = parts.size() == 4;
    LineSettings s;
    if (ok) {
        s.baud = parts[0].toInt(&ok);
        ok = ok && s.baud > 0;
    }
    if (ok) {
        const QString p = parts[1].toUpper();
        ok = p.size() == 1 && QStringLiteral("NEOMS").contains(p);
        s.parity = ok ? p[0].toLatin1() : 'N';
    }
    if (ok) {
        s.dataBits = parts[2].toInt(&ok);
        ok = ok && s.dataBits >= 5 && s.dataBits <= 8;
    }
    if (ok) {
        ok = parts[3] == QLatin1String("1") || parts[3] == QLatin1String("2");
        s.stopBits = parts[3].toInt();
    }
    if (!ok) {
        throw PortError(QStringLiteral("Invalid port settings: %1").arg(text));
    }
    return s;
}
