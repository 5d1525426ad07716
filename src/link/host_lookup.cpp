#include "link/host_lookup.h"

#include <QHostInfo>
#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>

namespace {

struct LookupState {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    HostLookup result;
};

HostLookup fromInfo(const QHostInfo& info) {
    HostLookup r;
    r.addresses = info.addresses();
    // A server reached by an IPv4 address is the common case; try those first.
    std::stable_partition(r.addresses.begin(), r.addresses.end(), [](const QHostAddress& a) {
        return a.protocol() == QAbstractSocket::IPv4Protocol;
    });
    r.outcome = info.error() == QHostInfo::NoError && !r.addresses.isEmpty()
                    ? HostLookup::Outcome::Found
                    : HostLookup::Outcome::NotFound;
    return r;
}

}  // namespace

HostLookup lookUpHost(const QString& host, int timeoutMs) {
    if (QHostAddress literal; literal.setAddress(host)) {
        return {HostLookup::Outcome::Found, {literal}};
    }
    auto pending = std::make_shared<LookupState>();
    std::thread([pending, host] {
        const HostLookup result = fromInfo(QHostInfo::fromName(host));
        const std::lock_guard lock(pending->mutex);
        pending->result = result;
        pending->finished = true;
        pending->done.notify_all();
    }).detach();
    std::unique_lock lock(pending->mutex);
    if (!pending->done.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                                [&] { return pending->finished; })) {
        return {HostLookup::Outcome::TimedOut, {}};
    }
    return pending->result;
}
