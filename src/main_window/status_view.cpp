#include "main_window/status_view.h"

#include "link/number_form.h"
#include "main_window/control_panel.h"
#include "main_window/dio_panel.h"
#include "main_window/latch_panel.h"
#include "main_window/status_panel.h"
#include "main_window/sync_panel.h"
#include "monitor/status_decoders.h"

namespace {

// Hands the reply's value to show; false, and nothing shown, when the reply is no number.
template <typename Show>
bool withValue(const QString& reply, Show show) {
    const auto value = readInt32(reply);
    if (!value) {
        return false;
    }
    show(*value);
    return true;
}

template <size_t N>
void setLamps(const std::array<Lamp*, N>& lamps, const std::array<bool, N>& on) {
    for (size_t i = 0; i < N; ++i) {
        lamps[i]->setOn(on[i]);
    }
}

}  // namespace

StatusView::StatusView(StatusPanel& status, ControlPanel& control, DioPanel& dio, LatchPanel& latch,
                       SyncPanel& sync)
    : status_(status), control_(control), dio_(dio), latch_(latch), sync_(sync) {}

bool StatusView::showCurrent(const QString& reply) {
    const auto text = wholeNumberText(reply);
    if (!text) {
        return false;
    }
    status_.CurCurrent->setText(*text);
    return true;
}

bool StatusView::showLatchState(const QString& reply) {
    return withValue(reply, [this](int32_t l) {
        const LatchState state = decodeLatchState(l);
        latch_.LatchStat->setText(state.text);
        if (state.enable != CheckMark::Unchanged) {
            latch_.EnableLatch->setChecked(state.enable == CheckMark::Tick);
        }
    });
}

bool StatusView::showSyncState(const QString& reply) {
    return withValue(reply, [this](int32_t y) { sync_.SyncStat->setText(syncStateText(y)); });
}

bool StatusView::showMotionStatus(const QString& reply) {
    return withValue(reply, [this](int32_t m) {
        const MotionStatus s = decodeMotionStatus(m);
        status_.Stat->setText(s.text);
        status_.PosLim->setOn(s.posLimit);
        status_.Home->setOn(s.home);
        status_.NegLim->setOn(s.negLimit);
        latch_.LatchIn->setOn(s.latchInput);
        status_.ZIndex->setOn(s.zIndex);
    });
}

bool StatusView::showPosGuard(const QString& reply) {
    return withValue(reply, [this](int32_t s) {
        if (const auto text = posGuardText(s)) {
            status_.PosGuardStatus->setText(*text);
        }
    });
}

bool StatusView::showInputs(const QString& reply) {
    return withValue(reply, [this](int32_t d) { setLamps(dio_.In, inputLamps(d)); });
}

bool StatusView::showOutputs(const QString& reply) {
    return withValue(reply, [this](int32_t o) { setLamps(dio_.DO, outputLamps(o)); });
}

bool StatusView::showSCurve(const QString& reply) {
    return withValue(reply, [this](int32_t v) { status_.Scv->setOn(flagOn(v)); });
}

bool StatusView::showEnable(const QString& reply) {
    // A changed box runs the motor enable handler, which only queries "EO" here.
    return withValue(reply, [this](int32_t v) { control_.EnableStat->setChecked(flagOn(v)); });
}

bool StatusView::showMoveMode(const QString& reply) {
    return withValue(reply, [this](int32_t v) { status_.MoveMode->setText(moveModeText(v)); });
}
