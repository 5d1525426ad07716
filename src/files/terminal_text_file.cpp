#include "files/terminal_text_file.h"

#include <QDir>

#include "files/whole_file.h"

QByteArray terminalFileContent(const QString& log) {
    // The log holds the line's own characters (Latin-1), so the file gets the same bytes.
    QByteArray content = log.toLatin1();
    if (!content.endsWith('\n')) {
        content += "\r\n";
    }
    return content + "\r\n";
}

bool saveTerminalText(const QString& path, const QString& log, QString& error) {
    if (const auto reason = writeWholeFile(path, terminalFileContent(log))) {
        error = QDir::toNativeSeparators(path) + QStringLiteral(": ") + *reason;
        return false;
    }
    return true;
}
