#include "support/held_line.h"

#include <chrono>

#include "sim/sim_port.h"

using namespace std::chrono_literals;

HeldLine::~HeldLine() {
    release();
    hub_.afterLine = nullptr;
}

void HeldLine::arm(const QByteArray& line, std::function<bool()> until) {
    {
        const std::lock_guard lock(mutex_);
        held_ = released_ = timedOut_ = false;
    }
    hub_.afterLine = [this, line, until = std::move(until)](const QByteArray& written) {
        if (written == line) {
            hold(until);
        }
    };
}

void HeldLine::hold(const std::function<bool()>& until) {
    std::unique_lock lock(mutex_);
    held_ = true;
    changed_.notify_all();
    const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(kBoundMs);
    while (!released_ && !(until && until())) {
        if (std::chrono::steady_clock::now() >= end) {
            timedOut_ = true;
            return;
        }
        changed_.wait_for(lock, 1ms);
    }
}

bool HeldLine::waitUntilHeld() {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(kBoundMs), [this] { return held_; });
}

void HeldLine::release() {
    {
        const std::lock_guard lock(mutex_);
        released_ = true;
    }
    changed_.notify_all();
}

bool HeldLine::endedInTime() {
    const std::lock_guard lock(mutex_);
    return held_ && !timedOut_;
}
