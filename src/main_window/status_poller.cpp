#include "main_window/status_poller.h"

#include "main_window/communication_panel.h"
#include "main_window/identification.h"
#include "main_window/latch_panel.h"
#include "main_window/main_session.h"
#include "main_window/status_panel.h"

namespace {

constexpr int kPollSteps = 8;

}  // namespace

StatusPoller::StatusPoller(MainSession& session, CommunicationPanel& comm, StatusPanel& status,
                           ControlPanel& control, DioPanel& dio, LatchPanel& latch, SyncPanel& sync,
                           PollFeed& feed)
    : session_(session), comm_(comm), view_(status, control, dio, latch, sync), feed_(feed) {
    buildQueries(status, latch);
}

void StatusPoller::buildQueries(StatusPanel& status, LatchPanel& latch) {
    const auto text = [](QLineEdit* display) {
        return [display](const QString& reply) {
            display->setText(reply);
            return true;
        };
    };
    // A decoded reply may tick an enable box, whose handler then runs as part of this tick.
    const auto coded = [this](bool (StatusView::*show)(const QString&)) {
        return [this, show](const QString& reply) {
            const BusyScope displaying(session_.displaying);
            return (view_.*show)(reply);
        };
    };
    using F = PollSample::Field;
    counters_ = {{"EX", sampled(F::Encoder, text(status.Enc))},
                 {"PX", sampled(F::Position, text(status.Pos))}};
    groups_[1] = {{"DX", text(status.delta)}, {"PS", sampled(F::Speed, text(status.Speed))}};
    groups_[2] = {{"LTP", text(latch.LatchPos)}, {"LTE", text(latch.LatchEnc)}};
    groups_[3] = {{"LTS", coded(&StatusView::showLatchState)},
                  {"SYNS", coded(&StatusView::showSyncState)},
                  {"CUR", coded(&StatusView::showCurrent)}};
    groups_[4] = {{"MST", sampled(F::Status, coded(&StatusView::showMotionStatus))},
                  {"SLS", coded(&StatusView::showPosGuard)}};
    groups_[5] = {{"DI", sampled(F::Inputs, coded(&StatusView::showInputs))},
                  {"DO", sampled(F::Outputs, coded(&StatusView::showOutputs))}};
    groups_[7] = {{"SCV", coded(&StatusView::showSCurve)},
                  {"EO", coded(&StatusView::showEnable)},
                  {"MM", coded(&StatusView::showMoveMode)}};
}

void StatusPoller::tick() {
    const ConnectionValues& v = session_.values;
    if (session_.PausePolling || !v.ComPortStatus) {
        return;
    }
    if (!v.ComStatus) {
        reidentify();
        return;
    }
    const auto ar = send(QStringLiteral("AR"));
    if (!ar) {
        return;
    }
    session_.setARMode(*ar == QLatin1String("1"));
    if (session_.PollStep < 1 || session_.PollStep > kPollSteps) {
        session_.PollStep = 1;
    }
    Outcome outcome = runAll(counters_);
    if (outcome == Outcome::Next) {
        outcome = runAll(groups_[static_cast<size_t>(session_.PollStep - 1)]);
    }
    // A reply that is no number ends the tick but not the rotation: a query the firmware lacks
    // must not keep the later groups from ever being asked.
    if (outcome != Outcome::PortLost) {
        advancePollStep();
        publish();
    }
    latest_.fresh = 0;
}

StatusPoller::Show StatusPoller::sampled(PollSample::Field field, Show show) {
    return [this, field, show = std::move(show)](const QString& reply) {
        const bool shown = show(reply);
        if (shown) {
            latest_.take(field, reply);
        }
        return shown;
    };
}

// A tick on which the device fell silent shows "0" for what it missed: no measurement, so no
// sample.
void StatusPoller::publish() {
    if (session_.values.ComStatus) {
        feed_.publish(latest_);
    }
}

void StatusPoller::reidentify() {
    const auto identity = send(QStringLiteral("ID"));
    if (!identity) {
        return;
    }
    if (*identity != QLatin1String(kDeviceIdentity)) {
        // The failure that cleared ComStatus has made the display red already.
        comm_.showNoCommunication(true);
        comm_.ID->setText(QStringLiteral("???"));
        return;
    }
    comm_.ID->setText(*identity);
    session_.values.ComStatus = true;
    comm_.showCommunicationOk();
    const auto version = send(QStringLiteral("VER"));
    if (!version) {
        return;
    }
    comm_.Version->setText(*version);
    send(QStringLiteral("VER"));
}

StatusPoller::Outcome StatusPoller::runAll(const std::vector<Query>& queries) {
    for (const Query& query : queries) {
        if (const Outcome outcome = run(query); outcome != Outcome::Next) {
            return outcome;
        }
    }
    return Outcome::Next;
}

StatusPoller::Outcome StatusPoller::run(const Query& query) {
    for (int repeats = 0;; ++repeats) {
        const auto reply = send(query.command);
        if (!reply) {
            return Outcome::PortLost;
        }
        if (!reply->startsWith(QLatin1Char('$'))) {
            const bool number = query.show(*reply);
            // A check box echo may have lost the port on its own exchange.
            if (!session_.values.ComPortStatus) {
                return Outcome::PortLost;
            }
            return number ? Outcome::Next : Outcome::EndTick;
        }
        if (repeats == kDollarRepeats) {
            return Outcome::Next;
        }
    }
}

// The reply, or nothing when the port failed on the way: its failure path has told the user and
// closed the port, so the tick must not send anything more.
std::optional<QString> StatusPoller::send(const QString& command) {
    QString reply = session_.SendReceive(command);
    if (!session_.values.ComPortStatus) {
        return std::nullopt;
    }
    return reply;
}

void StatusPoller::advancePollStep() {
    session_.PollStep = session_.PollStep % kPollSteps + 1;
}
