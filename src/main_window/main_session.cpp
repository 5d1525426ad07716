#include "main_window/main_session.h"

MainSession::MainSession(std::unique_ptr<SerialPort> port, MainLinkHost& host)
    : port_(std::move(port)), policy_(*port_, values, host) {}

void MainSession::runWhenFree(std::function<void()> work) {
    waiting_.push_back(std::move(work));
    runWaiting();
}

void MainSession::runWaiting() {
    if (busy || running_) {
        return;
    }
    const BusyScope running(running_);
    while (!busy && !waiting_.empty()) {
        const std::function<void()> work = std::move(waiting_.front());
        waiting_.pop_front();
        work();
    }
}
