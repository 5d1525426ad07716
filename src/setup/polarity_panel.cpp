#include "setup/polarity_panel.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>

#include "widgets/ui_helpers.h"

namespace {

QRadioButton* option(const char* name, const char* caption) {
    return named<QRadioButton>(name, QString::fromLatin1(caption));
}

}  // namespace

PolarityPanel::PolarityPanel()
    : frame(named<QGroupBox>("PolarityFrame", QStringLiteral("Polarity"))),
      PulsePolLow(option("PulsePolLow", "Low")),
      PulsePolHigh(option("PulsePolHigh", "High")),
      DirPolLow(option("DirPolLow", "CW")),
      DirPolHigh(option("DirPolHigh", "CCW")),
      LimitPolLow(option("LimitPolLow", "Low")),
      LimitPolHigh(option("LimitPolHigh", "High")),
      HomePolLow(option("HomePolLow", "Low")),
      HomePolHigh(option("HomePolHigh", "High")),
      LatchPolLow(option("LatchPolLow", "Low")),
      LatchPolHigh(option("LatchPolHigh", "High")),
      InPosPolLow(option("InPosPolLow", "Low")),
      InPosPolHigh(option("InPosPolHigh", "High")),
      AlarmPolLow(option("AlarmPolLow", "Low")),
      AlarmPolHigh(option("AlarmPolHigh", "High")) {
    const struct {
        const char* label;
        Pair pair;
    } rows[] = {
        {"Dir", {DirPolLow, DirPolHigh}},        {"Home", {HomePolLow, HomePolHigh}},
        {"Limit", {LimitPolLow, LimitPolHigh}},  {"Latch", {LatchPolLow, LatchPolHigh}},
        {"In Pos", {InPosPolLow, InPosPolHigh}}, {"Alarm", {AlarmPolLow, AlarmPolHigh}},
        {"Pulse", {PulsePolLow, PulsePolHigh}},
    };
    auto* grid = new QGridLayout(frame);
    int row = 0;
    for (const auto& r : rows) {
        // Each pair is an option group of its own, whatever widget ends up holding it.
        auto* group = new QButtonGroup(frame);
        group->addButton(r.pair.low);
        group->addButton(r.pair.high);
        r.pair.low->setChecked(true);
        grid->addWidget(new QLabel(QString::fromLatin1(r.label)), row, 0);
        grid->addWidget(r.pair.low, row, 1);
        grid->addWidget(r.pair.high, row, 2);
        ++row;
    }
}

std::array<PolarityPanel::Pair, 7> PolarityPanel::pairs() const {
    return {{{PulsePolLow, PulsePolHigh},
             {DirPolLow, DirPolHigh},
             {LimitPolLow, LimitPolHigh},
             {HomePolLow, HomePolHigh},
             {LatchPolLow, LatchPolHigh},
             {InPosPolLow, InPosPolHigh},
             {AlarmPolLow, AlarmPolHigh}}};
}

int32_t PolarityPanel::word() const {
    PolarityHighs highs{};
    const auto all = pairs();
    for (size_t i = 0; i < all.size(); ++i) {
        highs[i] = all[i].high->isChecked();
    }
    return polarityWord(highs);
}

void PolarityPanel::setWord(int32_t word) {
    const PolarityHighs highs = polarityFromWord(word);
    const auto all = pairs();
    for (size_t i = 0; i < all.size(); ++i) {
        (highs[i] ? all[i].high : all[i].low)->setChecked(true);
    }
}
