#include "files/printable_text.h"

QString printableText(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        switch (c.unicode()) {
            case u'\\':
                shown += QLatin1String("\\\\");
                break;
            case u'\r':
                shown += QLatin1String("\\r");
                break;
            case u'\n':
                shown += QLatin1String("\\n");
                break;
            case u'\t':
                shown += QLatin1String("\\t");
                break;
            default:
                if (c.category() == QChar::Other_Control) {
                    shown += QStringLiteral("\\x%1").arg(c.unicode(), 2, 16, QLatin1Char('0'));
                } else {
                    shown += c;
                }
        }
    }
    return shown;
}
