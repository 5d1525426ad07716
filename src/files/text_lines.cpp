#include "files/text_lines.h"

#include <QRegularExpression>

QStringList textLines(const QByteArray& content) {
    static const QRegularExpression lineEnd(QStringLiteral("\r\n|\r|\n"));
    QStringList lines = QString::fromLatin1(content).split(lineEnd);
    if (!lines.isEmpty() && lines.last().isEmpty()) {
        lines.removeLast();
    }
    return lines;
}
