#pragma once

#include <QObject>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>
#include <optional>

// The values one polling tick leaves on the status panel, as numbers: the counters and speed as
// displayed, the status, input and output words as last read. A value is known once a number was
// read for it; it is fresh when this tick read it (the slower values come every eighth tick).
struct PollSample {
    enum Field { Position, Encoder, Speed, Status, Inputs, Outputs };
    static constexpr int kFields = 6;

    qint64 ms = 0;  // when the tick ended, on the window's clock
    std::array<int32_t, kFields> values{};
    uint8_t known = 0;  // one bit per field
    uint8_t fresh = 0;  // one bit per field

    std::optional<int32_t> value(Field f) const;
    bool isFresh(Field f) const { return fresh & (1u << f); }
    // Takes a reply for the field: its number, or unknown when it is none.
    void take(Field f, const QString& reply);
};

// Where the polling cycle publishes what each tick read. It knows nothing of who listens: the
// chart, its history and the recorder connect to sampled().
class PollFeed : public QObject {
    Q_OBJECT
  public:
    // clockMs: a monotonic clock in milliseconds; the window's own unless a test gives one.
    explicit PollFeed(std::function<qint64()> clockMs);

    qint64 nowMs() const { return clockMs_(); }
    // Stamps the sample with the time and hands it to every listener.
    void publish(PollSample sample);

  signals:
    void sampled(const PollSample& sample);

  private:
    std::function<qint64()> clockMs_;
};

// The monotonic clock the program uses when nothing else is given.
qint64 steadyClockMs();
