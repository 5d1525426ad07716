#pragma once

#include <QObject>

class MainSession;
class QWidget;

// Escape in the main window stops the axis: "ABORT" goes out on its own (no profile before it,
// so a bad profile entry cannot hold it back) and the window stays open.
//
// Exchanges block the window, so a key pressed during a polling tick would wait for the whole
// tick. Instead, between the tick's exchanges the input that has come meanwhile is let in: a
// press of Escape in this window reaches it and its "ABORT" goes out before the tick's next
// exchange; all other input (clicks, typing, closing) is held and handed on, in order with the
// presses that wait (MainSession::presses), once the tick has ended, as if it had come then.
// Escape during a handler goes out right after it.
class StopKey : public QObject {
    Q_OBJECT
  public:
    StopKey(MainSession& session, QWidget& window);
    ~StopKey() override;

    // Escape was pressed in the window.
    void pressed();
    // Run by the session before each of its exchanges.
    void beforeExchange();

    // Marks a polling tick for its lifetime.
    class TickScope {
      public:
        explicit TickScope(StopKey& key) : key_(key) { key_.inTick_ = true; }
        ~TickScope() { key_.inTick_ = false; }
        TickScope(const TickScope&) = delete;
        TickScope& operator=(const TickScope&) = delete;

      private:
        StopKey& key_;
    };

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    void letInputIn();
    void sendAbort();

    MainSession& session_;
    QWidget& window_;
    bool inTick_ = false;
    bool pending_ = false;
    int peekLevel_ = -1;  // the thread's event loop level while input is let in, else -1
};
