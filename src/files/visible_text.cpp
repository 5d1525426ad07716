#include "files/visible_text.h"

#include <QChar>
#include <QRegularExpression>
#include <algorithm>

QString visibleText(const QString& text) {
    QString shown;
    shown.reserve(text.size());
    for (const char32_t c : text.toUcs4()) {
        if (QChar::isPrint(c)) {
            shown += QString::fromUcs4(&c, 1);
        } else if (c < 0x100) {
            shown += QStringLiteral("\\x") +
                     QStringLiteral("%1").arg(uint(c), 2, 16, QLatin1Char('0')).toUpper();
        } else {
            shown += QStringLiteral("\\u{%1}").arg(QString::number(uint(c), 16).toUpper());
        }
    }
    return shown;
}

QString shownName(const QByteArray& raw) {
    const QString name = QString::fromUtf8(raw).trimmed();
    if (name.size() > 64 ||
        !std::all_of(name.begin(), name.end(), [](QChar c) { return c.isPrint(); })) {
        return QString();
    }
    return name;
}

QString visibleShellWord(const QString& path) {
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z0-9_./+:,=@%-]+$"));
    if (plain.match(path).hasMatch()) {
        return path;
    }
    QString quoted = path;
    quoted.replace(QLatin1Char('\''), QStringLiteral("'\\''"));
    return visibleText(QLatin1Char('\'') + quoted + QLatin1Char('\''));
}
