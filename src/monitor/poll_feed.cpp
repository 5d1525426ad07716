#include "monitor/poll_feed.h"

#include <chrono>

#include "link/number_form.h"

std::optional<int32_t> PollSample::value(Field f) const {
    if (!(known & (1u << f))) {
        return std::nullopt;
    }
    return values[f];
}

void PollSample::take(Field f, const QString& reply) {
    const auto number = readInt32(reply);
    const auto bit = static_cast<uint8_t>(1u << f);
    values[f] = number.value_or(0);
    known = number ? known | bit : known & ~bit;
    fresh |= bit;
}

PollFeed::PollFeed(std::function<qint64()> clockMs)
    : clockMs_(clockMs ? std::move(clockMs) : steadyClockMs) {}

void PollFeed::publish(PollSample sample) {
    sample.ms = clockMs_();
    emit sampled(sample);
}

qint64 steadyClockMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
