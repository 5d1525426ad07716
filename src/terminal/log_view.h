#pragma once

#include <QElapsedTimer>
#include <QString>
#include <functional>

class QPlainTextEdit;

// The terminal's log: the exact text (CR LF line ends, what a save writes) and its display in a
// text box. While a reply comes in, the display catches up at most every kRefreshMs and is
// repainted on the spot, so a long reply is seen growing without running the event loop (and
// with it other handlers) in the middle of an exchange.
class LogView {
  public:
    explicit LogView(QPlainTextEdit* pad);
    LogView(const LogView&) = delete;
    LogView& operator=(const LogView&) = delete;

    void append(const QString& text);
    // Brings the display up to date and its last line into view.
    void showEnd();
    void clear();
    const QString& text() const { return text_; }

    static constexpr qint64 kRefreshMs = 40;
    // The clock the refresh goes by; tests put the simulated line's clock here.
    std::function<qint64()> clockMs;

  private:
    void catchUp();

    QPlainTextEdit* pad_;
    QString text_;
    QString pending_;  // appended but not yet displayed
    qint64 lastRefreshMs_ = 0;
    bool refreshed_ = false;
    QElapsedTimer elapsed_;
};
