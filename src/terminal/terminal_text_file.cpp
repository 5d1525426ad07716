#include "terminal/terminal_text_file.h"

#include <QDir>
#include <QSaveFile>

namespace {

QString failure(const QSaveFile& file, const QString& path, const QString& reason) {
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path),
                                        reason.isEmpty() ? file.errorString() : reason);
}

}  // namespace

QByteArray terminalFileContent(const QString& log) {
    // The log holds the line's own characters (Latin-1), so the file gets the same bytes.
    QByteArray content = log.toLatin1();
    if (!content.endsWith('\n')) {
        content += "\r\n";
    }
    return content + "\r\n";
}

bool saveTerminalText(const QString& path, const QString& log, QString& error) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        error = failure(file, path, {});
        return false;
    }
    const QByteArray content = terminalFileContent(log);
    // Flush here: a write error that only shows when the buffer goes out at commit time would
    // not stop the commit from replacing the old file with a cut-off one.
    if (file.write(content) != content.size() || !file.flush()) {
        error = failure(
            file, path,
            QStringLiteral("not all of the text could be written (%1)").arg(file.errorString()));
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        error = failure(file, path, {});
        return false;
    }
    return true;
}
