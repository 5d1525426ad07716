#pragma once

#include "sim/sim_port.h"

// A simulated port whose adapter is unplugged after a given number of reads, writes and waits
// (never when that number is negative): from then on every operation fails the way it does on a
// vanished port.
class VanishingPort : public SerialPort {
  public:
    explicit VanishingPort(SimHub& hub, int operationsLeft = -1)
        : hub_(hub), port_(hub), left_(operationsLeft) {}

    void vanishAfter(int operations) { left_ = operations; }

    SimPort& sim() { return port_; }
    bool vanished() const { return hub_.vanished(port_.number()); }

    void setPortNumber(int number) override { port_.setPortNumber(number); }
    void setSettings(const QString& settings) override { port_.setSettings(settings); }
    void setDtr(bool on) override { port_.setDtr(on); }
    void setInputLength(int length) override { port_.setInputLength(length); }
    void setReceiveThreshold(int threshold) override { port_.setReceiveThreshold(threshold); }
    void open() override { port_.open(); }
    void close() override { port_.close(); }
    bool isOpen() const override { return port_.isOpen(); }
    void write(const QByteArray& data) override {
        countDown();
        port_.write(data);
    }
    QByteArray read() override {
        countDown();
        return port_.read();
    }
    void delay(int ms) override {
        countDown();
        port_.delay(ms);
    }
    bool waitForInput(int ms) override {
        countDown();
        return port_.waitForInput(ms);
    }

  private:
    void countDown() {
        if (left_ >= 0 && left_-- == 0) {
            hub_.vanish(port_.number());
        }
    }

    SimHub& hub_;
    SimPort port_;
    int left_;
};
