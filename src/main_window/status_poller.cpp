#include "main_window/status_poller.h"

#include <QSignalBlocker>

#include "link/number_form.h"
#include "main_window/communication_panel.h"
#include "main_window/control_panel.h"
#include "main_window/enable_handlers.h"
#include "main_window/latch_panel.h"
#include "main_window/main_session.h"
#include "main_window/status_panel.h"
#include "monitor/status_decoders.h"

StatusPoller::StatusPoller(CommunicationPanel& comm, StatusPanel& status, ControlPanel& control,
                           DioPanel& dio, LatchPanel& latch, SyncPanel& sync, PollFeed& feed)
    : comm_(comm),
      control_(control),
      latch_(latch),
      view_(status, control, dio, latch, sync),
      feed_(feed) {
    buildDisplays(status, latch);
}

void StatusPoller::buildDisplays(StatusPanel& status, LatchPanel& latch) {
    const auto text = [](QLineEdit* display) {
        return [display](const QString& reply) { display->setText(reply); };
    };
    // The boxes follow the device here without it counting as a click: the job echoes the
    // change itself, in its place on the wire.
    const auto coded = [this](bool (StatusView::*show)(const QString&)) {
        return [this, show](const QString& reply) {
            const QSignalBlocker motor(control_.EnableStat);
            const QSignalBlocker latchBox(latch_.EnableLatch);
            (view_.*show)(reply);
        };
    };
    displays_ = {
        {"EX", text(status.Enc)},
        {"PX", text(status.Pos)},
        {"DX", text(status.delta)},
        {"PS", text(status.Speed)},
        {"LTP", text(latch.LatchPos)},
        {"LTE", text(latch.LatchEnc)},
        {"LTS", coded(&StatusView::showLatchState)},
        {"SYNS", coded(&StatusView::showSyncState)},
        {"CUR", coded(&StatusView::showCurrent)},
        {"MST", coded(&StatusView::showMotionStatus)},
        {"SLS", coded(&StatusView::showPosGuard)},
        {"DI", coded(&StatusView::showInputs)},
        {"DO", coded(&StatusView::showOutputs)},
        {"SCV", coded(&StatusView::showSCurve)},
        {"EO", coded(&StatusView::showEnable)},
        {"MM", coded(&StatusView::showMoveMode)},
    };
}

void StatusPoller::tick(MainLine& m) {
    if (!m.values.ComPortStatus) {
        return;
    }
    StatusCycle& cycle = m.cycle;
    cycle.communicating = m.values.ComStatus;
    cycle.onReply = [this, &m](const QString& command, const QString& reply) {
        return onReply(m, command, reply);
    };
    const StatusCycle::Tick tick = cycle.tick();
    cycle.onReply = nullptr;
    m.policy.ARMode = cycle.arMode;
    using T = StatusCycle::Tick;
    if (tick == T::StillLost || tick == T::Reidentified || tick == T::PortFailed) {
        return;
    }
    // A tick on which the device fell silent shows "0" for what it missed: no measurement, so
    // no sample.
    if (m.values.ComStatus) {
        m.show([this, sample = latest_] { feed_.publish(sample); });
    }
    latest_.fresh = 0;
}

bool StatusPoller::onReply(MainLine& m, const QString& command, const QString& reply) {
    if (command == QLatin1String("ID")) {
        showIdentity(m, reply);
        return m.values.ComPortStatus;
    }
    if (command == QLatin1String("VER")) {
        m.show([this, reply] { comm_.Version->setText(reply); });
        return m.values.ComPortStatus;
    }
    const auto display = displays_.find(command);
    if (display != displays_.end()) {
        m.show([show = display->second, reply] { show(reply); });
    }
    static const std::map<QString, PollSample::Field> sampled = {
        {"EX", PollSample::Encoder}, {"PX", PollSample::Position}, {"PS", PollSample::Speed},
        {"MST", PollSample::Status}, {"DI", PollSample::Inputs},   {"DO", PollSample::Outputs}};
    if (const auto field = sampled.find(command); field != sampled.end()) {
        latest_.take(field->second, reply);
    }
    if (const auto value = readInt32(reply)) {
        followBoxes(m, command, *value);
    }
    return m.values.ComPortStatus;
}

// A lost device answering "ID" again: its identity back on green, or "???" while it is another.
void StatusPoller::showIdentity(MainLine& m, const QString& identity) {
    if (identity != QLatin1String(kDeviceIdentity)) {
        // The failure that cleared ComStatus has made the display red already.
        m.show([this] {
            comm_.showNoCommunication(true);
            comm_.ID->setText(QStringLiteral("???"));
        });
        return;
    }
    m.values.ComStatus = true;
    m.show([this, identity] {
        comm_.ID->setText(identity);
        comm_.showCommunicationOk();
    });
}

// A box the reply changed runs its click handler within the tick, after the box shows it.
void StatusPoller::followBoxes(MainLine& m, const QString& command, int32_t value) {
    if (command == QLatin1String("EO")) {
        const bool on = flagOn(value);
        if (on != m.enableShown) {
            m.enableShown = on;
            EnableHandlers::EnableStat_Click(m, on);
        }
    } else if (command == QLatin1String("LTS")) {
        const CheckMark mark = decodeLatchState(value).enable;
        const bool on = mark == CheckMark::Tick;
        if (mark != CheckMark::Unchanged && on != m.latchShown) {
            m.latchShown = on;
            EnableHandlers::EnableLatch_Click(m, on);
        }
    }
}
