#pragma once

#include <functional>
#include <memory>

#include "link/serial_port.h"

// What went over the line through a CountingPort.
struct LineCounts {
    qint64 bytesOut = 0;
    qint64 bytesIn = 0;
    qint64 frames = 0;          // command lines written, one reply each
    qint64 positionFrames = 0;  // "PX" queries: one position update each
    qint64 replyLines = 0;      // lines read, each ended by its CR
    // Command lines that got no reply line before the next one was written (a re-send in
    // auto-response mode counts its unanswered first try).
    qint64 noReplies = 0;
    // Called after every write with what was written, and after every read that ends a reply
    // line, when set; in the port's thread (a line engine's, for a window that runs on one).
    std::function<void(const QByteArray&)> onWrite;
    std::function<void()> onReplyLine;
};

// Passes every operation to the real port and counts the traffic.
class CountingPort : public SerialPort {
  public:
    CountingPort(std::unique_ptr<SerialPort> port, LineCounts& counts)
        : port_(std::move(port)), counts_(counts) {}

    void setPortNumber(int number) override { port_->setPortNumber(number); }
    void setSettings(const QString& settings) override { port_->setSettings(settings); }
    void setDtr(bool on) override { port_->setDtr(on); }
    void setInputLength(int length) override { port_->setInputLength(length); }
    void setReceiveThreshold(int threshold) override { port_->setReceiveThreshold(threshold); }
    void open() override { port_->open(); }
    void close() override { port_->close(); }
    bool isOpen() const override { return port_->isOpen(); }
    void write(const QByteArray& data) override;
    QByteArray read() override;
    void delay(int ms) override { port_->delay(ms); }
    bool waitForInput(int ms) override { return port_->waitForInput(ms); }

  private:
    std::unique_ptr<SerialPort> port_;
    LineCounts& counts_;
    bool awaitingReply_ = false;
};
