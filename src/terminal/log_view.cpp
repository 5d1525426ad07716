#include "terminal/log_view.h"

#include <QPlainTextEdit>
#include <QTextCursor>

void LogView::append(const QString& text) {
    text_ += text;
    // A text block ends a line already; CR LF would show as an extra empty line.
    QString shown = text;
    shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    QTextCursor end(pad_->document());
    end.movePosition(QTextCursor::End);
    end.insertText(shown);
    pad_->moveCursor(QTextCursor::End);
    pad_->ensureCursorVisible();
    pad_->repaint();
}

void LogView::clear() {
    text_.clear();
    pad_->clear();
}
