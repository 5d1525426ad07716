#include "terminal/log_view.h"

#include <QPlainTextEdit>
#include <QTextCursor>

LogView::LogView(QPlainTextEdit* pad) : pad_(pad) {
    elapsed_.start();
    clockMs = [this] { return elapsed_.elapsed(); };
}

void LogView::append(const QString& text) {
    text_ += text;
    pending_ += text;
    const qint64 now = clockMs();
    if (refreshed_ && now - lastRefreshMs_ < kRefreshMs) {
        return;
    }
    refreshed_ = true;
    lastRefreshMs_ = now;
    catchUp();
    pad_->repaint();
}

void LogView::showEnd() {
    catchUp();
}

void LogView::clear() {
    text_.clear();
    pending_.clear();
    pad_->clear();
}

void LogView::catchUp() {
    if (!pending_.isEmpty()) {
        // A text block ends a line already; CR LF would show as an extra empty line.
        QString shown = pending_;
        shown.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        pending_.clear();
        QTextCursor end(pad_->document());
        end.movePosition(QTextCursor::End);
        end.insertText(shown);
    }
    pad_->moveCursor(QTextCursor::End);
    pad_->ensureCursorVisible();
}
