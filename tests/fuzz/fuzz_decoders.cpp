// Arbitrary reply texts through the status panel's reading of the coded queries, and arbitrary
// words through the bit rules. The first byte picks the query, the rest is its reply. Whatever
// the reply, the panel shows exactly what the documented rules give for the number it reads as,
// changes no control that belongs to another query, and changes nothing at all for a reply that
// is no number.
#include <QCheckBox>
#include <QLineEdit>
#include <QMap>
#include <QtEndian>

#include "fuzz_support.h"
#include "link/number_form.h"
#include "link/reply_helpers.h"
#include "main_window/main_control_form.h"  // the panels
#include "main_window/status_view.h"
#include "monitor/status_decoders.h"

namespace {

// The bits a word shows: bits 23 to 0, only bits 0 to 22 of a word of 2^24 or more, none of a
// negative word.
int32_t shownBits(int32_t v) {
    return v < 0 ? 0 : v >= (1 << 24) ? (v & 0x7FFFFF) : v;
}

bool bit(int32_t v, int n) {
    return (shownBits(v) >> n & 1) != 0;
}

// The text of the highest-priority bit that is set.
QString motionText(int32_t m) {
    for (const auto& [n, text] :
         {std::pair{7, "+LIM ERR"}, {6, "-LIM ERR"}, {2, "DECEL"}, {1, "ACCEL"}, {0, "CONST"}}) {
        if (bit(m, n)) {
            return QString::fromLatin1(text);
        }
    }
    return QStringLiteral("IDLE");
}

QString armedText(int32_t v) {
    return v >= 0 && v <= 2 ? kArmedTexts[v] : QString::number(v);
}

QString onOff(bool on) {
    return on ? QStringLiteral("1") : QStringLiteral("0");
}

// Every display of the five frames by name: texts, lamps and check boxes ("1"/"0").
using Shown = QMap<QString, QString>;

// Lamps <prefix>1 to <prefix><count> show bits 0 to count - 1.
void bitLamps(Shown& s, const char* prefix, int count, int32_t v) {
    for (int i = 0; i < count; ++i) {
        s[prefix + QString::number(i + 1)] = onOff(bit(v, i));
    }
}

void checkBitRules(int32_t a, int32_t b) {
    fuzzCheck(BitAnd(a, b) == (shownBits(a) & shownBits(b)), "BitAnd keeps the shown bits");
    fuzzCheck(BitOr(a, b) == (shownBits(a) | shownBits(b)), "BitOr keeps the shown bits");
    const MotionStatus s = decodeMotionStatus(a);
    fuzzCheck(s.text == motionText(a), "motion text by priority");
    fuzzCheck(s.home == bit(a, 3) && s.negLimit == bit(a, 4) && s.posLimit == bit(a, 5) &&
                  s.latchInput == bit(a, 8) && s.zIndex == bit(a, 9),
              "motion lamps follow their bits");
}

struct Panels {
    StatusPanel status;
    ControlPanel control;
    DioPanel dio;
    LatchPanel latch;
    SyncPanel sync;
    StatusView view{status, control, dio, latch, sync};

    Shown shown() const {
        Shown s;
        for (QWidget* frame : {status.frame, control.frame, dio.frame, latch.frame, sync.frame}) {
            for (const QWidget* w : frame->findChildren<QWidget*>()) {
                if (const auto* e = dynamic_cast<const QLineEdit*>(w)) {
                    s[w->objectName()] = e->text();
                } else if (const auto* l = dynamic_cast<const Lamp*>(w)) {
                    s[w->objectName()] = onOff(l->isOn());
                } else if (const auto* c = dynamic_cast<const QCheckBox*>(w)) {
                    s[w->objectName()] = onOff(c->isChecked());
                }
            }
        }
        return s;
    }
};

// A coded query: how the view shows its reply and what the rules say it shows for a value.
struct Query {
    bool (StatusView::*show)(const QString&);
    void (*expect)(int32_t, Shown&);
};

const Query kQueries[] = {
    {&StatusView::showCurrent, [](int32_t v, Shown& s) { s["CurCurrent"] = QString::number(v); }},
    {&StatusView::showLatchState,
     [](int32_t v, Shown& s) {
         s["LatchStat"] = armedText(v);
         if (v >= 0 && v <= 2) {
             s["EnableLatch"] = onOff(v != 0);
         }
     }},
    {&StatusView::showSyncState, [](int32_t v, Shown& s) { s["SyncStat"] = armedText(v); }},
    {&StatusView::showMotionStatus,
     [](int32_t v, Shown& s) {
         s["Stat"] = motionText(v);
         for (const auto& [lamp, n] :
              {std::pair{"Home", 3}, {"NegLim", 4}, {"PosLim", 5}, {"LatchIn", 8}, {"ZIndex", 9}}) {
             s[lamp] = onOff(bit(v, n));
         }
     }},
    {&StatusView::showPosGuard,
     [](int32_t v, Shown& s) {
         if (v >= 0 && v < kPosGuardTexts.size()) {
             s["PosGuardStatus"] = kPosGuardTexts[v];
         }
     }},
    {&StatusView::showInputs, [](int32_t v, Shown& s) { bitLamps(s, "In", 6, v); }},
    {&StatusView::showOutputs, [](int32_t v, Shown& s) { bitLamps(s, "DO", 3, v); }},
    {&StatusView::showSCurve, [](int32_t v, Shown& s) { s["Scv"] = onOff(v == 1); }},
    {&StatusView::showEnable, [](int32_t v, Shown& s) { s["EnableStat"] = onOff(v == 1); }},
    {&StatusView::showMoveMode,
     [](int32_t v, Shown& s) {
         s["MoveMode"] = v == 1 ? QStringLiteral("INC") : QStringLiteral("ABS");
     }},
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 1) {
        return 0;
    }
    const QByteArray rest = inputBytes(data, size, 1);
    if (rest.size() >= 8) {
        checkBitRules(qFromUnaligned<int32_t>(rest.constData()),
                      qFromUnaligned<int32_t>(rest.constData() + 4));
    }
    const Query& query = kQueries[data[0] % std::size(kQueries)];
    const QString reply = QString::fromLatin1(rest);
    Panels& p = oneForTheRun<Panels>();
    Shown expected = p.shown();
    const std::optional<int32_t> value = readInt32(reply);
    if (value) {
        query.expect(*value, expected);
    }
    fuzzCheck((p.view.*query.show)(reply) == value.has_value(), "shows exactly the numbers");
    fuzzCheck(p.shown() == expected, "the panel shows what the rules give, and nothing else");
    return 0;
}
