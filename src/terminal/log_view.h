#pragma once

#include <QString>

class QPlainTextEdit;

// The terminal's log: the exact text (CR LF line ends, what a save writes) and its display in a
// text box. Each piece appended is shown and painted at once, its last line in view: the line's
// job passes its text in batches a few dozen times a second at most, and painting each one keeps
// a long reply seen growing also when several batches arrive in one turn of the event loop.
class LogView {
  public:
    explicit LogView(QPlainTextEdit* pad) : pad_(pad) {}
    LogView(const LogView&) = delete;
    LogView& operator=(const LogView&) = delete;

    void append(const QString& text);
    void clear();
    const QString& text() const { return text_; }

  private:
    QPlainTextEdit* pad_;
    QString text_;
};
