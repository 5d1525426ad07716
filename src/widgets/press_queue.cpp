#include "widgets/press_queue.h"

void PressQueue::runWhenFree(std::function<void()> work) {
    waiting_.push_back(std::move(work));
    runWaiting();
}

void PressQueue::press(std::function<void()> work) {
    runWhenFree([this, work = std::move(work)] {
        const BusyScope busy(busy_);
        work();
    });
}

void PressQueue::runWaiting() {
    if (busy_ || running_) {
        return;
    }
    const BusyScope running(running_);
    while (!busy_ && !waiting_.empty()) {
        const std::function<void()> work = std::move(waiting_.front());
        waiting_.pop_front();
        work();
    }
}
