#include "sim/sim_io.h"

#include <algorithm>

void SimLatch::capture(qint64 position, qint64 encoder) {
    if (state_ == Waiting) {
        position_ = position;
        encoder_ = encoder;
        state_ = Latched;
    }
}

void SimSync::arm(Comparison comparison, qint64 position) {
    comparison_ = comparison;
    position_ = double(position);
    state_ = Waiting;
}

void SimSync::check(double from, double to) {
    if (state_ != Waiting) {
        return;
    }
    const double low = std::min(from, to);
    const double high = std::max(from, to);
    bool met = false;
    switch (comparison_) {
        case Equal:
            met = low <= position_ && position_ <= high;
            break;
        case Below:
            met = low < position_;
            break;
        case Above:
            met = high > position_;
            break;
    }
    if (met) {
        state_ = On;
    }
}
