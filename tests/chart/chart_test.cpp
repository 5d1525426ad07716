#include <QChartView>
#include <QCoreApplication>
#include <QLineSeries>
#include <QTemporaryDir>

#include "chart/chart_panel.h"
#include "main_window/main_form_fixture.h"
#include "monitor/status_decoders.h"
#include "support/file_faults.h"
#include "support/qt_printers.h"

namespace {

class ChartTest : public MainFormTest {
  protected:
    ChartTest() {
        rig.hub.pacing = true;  // ticks take the time they take on a 9600 baud line
        QObject::connect(&form->feed(), &PollFeed::sampled,
                         [this](const PollSample& s) { samples.push_back(s); });
    }
    // Moves the axis and ticks until it rests at the target (at most 400 ticks).
    void moveTo(const QString& position) {
        form->control.SetPosition->setText(position);
        form->control.abs->click();
        const StatusPanel& p = form->status;
        for (int i = 0; i < 400; ++i) {
            tickOnce();
            if (i > 16 && p.Pos->text() == position && p.Stat->text() == "IDLE" &&
                p.Speed->text() == "0") {
                return;
            }
        }
        ADD_FAILURE() << "the axis never came to rest at " << position.toStdString();
    }

    std::vector<PollSample> samples;
};

QString shown(const PollSample& s, PollSample::Field f) {
    const auto v = s.value(f);
    return v ? QString::number(*v) : QString();
}
QString bits(std::optional<int32_t> word, int count) {
    QString lit;
    for (int i = 0; i < count; ++i) {
        lit += word && (*word >> i & 1) ? '1' : '.';
    }
    return lit;
}
template <size_t N>
QString lamps(const std::array<Lamp*, N>& all) {
    QString lit;
    for (Lamp* lamp : all) {
        lit += lamp->isOn() ? '1' : '.';
    }
    return lit;
}

TEST_F(ChartTest, EachTickPublishesWhatItShows) {
    device->motion.world.inputs = 0b100101;
    form->control.SetPosition->setText("1500");
    form->control.abs->click();
    for (int tick = 0; tick < 48; ++tick) {
        const size_t before = samples.size();
        tickOnce();
        ASSERT_EQ(samples.size(), before + 1) << "tick " << tick;
        const PollSample& s = samples.back();
        const StatusPanel& p = form->status;
        EXPECT_EQ(s.ms, rig.hub.nowMs());
        EXPECT_EQ(QStringList({shown(s, s.Position), shown(s, s.Encoder), shown(s, s.Speed),
                               bits(s.value(s.Inputs), 6), bits(s.value(s.Outputs), 3)}),
                  QStringList({p.Pos->text(), p.Enc->text(), p.Speed->text(), lamps(form->dio.In),
                               lamps(form->dio.DO)}))
            << "tick " << tick;
        if (const auto status = s.value(s.Status)) {
            EXPECT_EQ(decodeMotionStatus(*status).text, p.Stat->text()) << "tick " << tick;
        }
    }
    EXPECT_NE(samples.front().value(PollSample::Position),
              samples.back().value(PollSample::Position));
    // A tick on which the device fell silent shows "0"s it never read: no sample.
    device->faults.silent = true;
    tickOnce();
    tickOnce();
    EXPECT_EQ(samples.size(), 48u);
}

TEST_F(ChartTest, TheHistoryIsBounded) {
    RingBuffer<int> ring(4);
    QList<int> kept;
    for (int i = 0; i < 11; ++i) {
        ring.push(i);
    }
    for (size_t i = 0; i < ring.size(); ++i) {
        kept << ring[i];
    }
    EXPECT_EQ(kept, QList<int>({7, 8, 9, 10}));

    PollFeed feed(nullptr);
    ChartPanel panel(feed, rig.prompter);
    for (size_t i = 0; i < ChartPanel::kHistorySamples + 5; ++i) {
        feed.publish({});
    }
    EXPECT_EQ(panel.history().size(), ChartPanel::kHistorySamples);
}

// More samples than the chart has columns: each column keeps its extremes, so a one-sample peak
// is still drawn; and only the chosen span is drawn.
TEST_F(ChartTest, TheChartKeepsPeaksAndShowsItsSpan) {
    SampleHistory history(100000);
    for (int i = 0; i < 60000; ++i) {
        PollSample s;
        s.ms = i;  // one a millisecond: a minute
        s.take(PollSample::Position, QString::number(i == 55555 ? 90000 : i % 100));
        history.push(s);
    }
    const QList<QPointF> points =
        chartPoints(history, PollSample::Position, {50000, 59999}, 200, false);
    EXPECT_LE(points.size(), 400);
    double highest = 0;
    for (const QPointF& p : points) {
        EXPECT_GE(p.x(), -10.0);
        EXPECT_LE(p.x(), 0.0);
        highest = std::max(highest, p.y());
    }
    EXPECT_EQ(highest, 90000);
    EXPECT_EQ(hoverText(*nearestSample(history, 55555), 59999),
              "-4.44 s\nPosition 90000\nEncoder -\nSpeed -");
}

// Each column of a thinned chart gives its lowest and highest sample, in the order they came,
// whichever of the two came first and wherever in the column they lie. The span has two columns
// (0-49 ms and 50-100 ms); points are seconds before 100 ms.
TEST_F(ChartTest, EachColumnKeepsItsLowestAndHighestInTimeOrder) {
    const struct {
        const char* what;
        QList<QPoint> samples;  // ms, position
        QList<QPointF> points;
    } cases[] = {
        {"rising",
         {{0, 1}, {10, 5}, {20, 9}, {60, 4}, {70, 2}},
         {{-0.1, 1}, {-0.08, 9}, {-0.04, 4}, {-0.03, 2}}},
        {"falling: the first sample is the highest",
         {{0, 9}, {10, 5}, {20, 1}, {60, 2}, {70, 4}},
         {{-0.1, 9}, {-0.08, 1}, {-0.04, 2}, {-0.03, 4}}},
        {"the highest before the lowest, both inside",
         {{0, 5}, {10, 9}, {20, 1}, {30, 5}, {60, 3}},
         {{-0.09, 9}, {-0.08, 1}, {-0.04, 3}}},
        {"the lowest before the highest, both inside",
         {{0, 5}, {10, 1}, {20, 9}, {30, 5}, {60, 3}},
         {{-0.09, 1}, {-0.08, 9}, {-0.04, 3}}},
        {"a flat column and a single sample",
         {{0, 7}, {10, 7}, {20, 7}, {30, 7}, {90, -3}},
         {{-0.1, 7}, {-0.01, -3}}},
    };
    for (const auto& c : cases) {
        SampleHistory history(16);
        for (const QPoint& at : c.samples) {
            PollSample s;
            s.ms = at.x();
            s.take(PollSample::Position, QString::number(at.y()));
            history.push(s);
        }
        EXPECT_EQ(chartPoints(history, PollSample::Position, {0, 100}, 2, false), c.points)
            << c.what;
    }
}

TEST_F(ChartTest, TheChartOpensBesideThePanelsAndFollowsTheAxis) {
    form->resize(form->sizeHint());  // as on a screen it fits on
    form->show();
    QCoreApplication::processEvents();
    const QRect control = form->control.frame->geometry();
    const int width = form->width();
    form->Chart->click();
    QCoreApplication::processEvents();
    ChartPanel& chart = *form->chart;
    ASSERT_TRUE(chart.isVisible());
    EXPECT_EQ(form->control.frame->geometry(), control);
    EXPECT_GT(form->width(), width + 500);

    moveTo("800");
    chart.redraw();
    const QList<QPointF> position = chart.series(PollSample::Position)->points();
    ASSERT_FALSE(position.isEmpty());
    EXPECT_EQ(position.back(), QPointF(0, 800));
    EXPECT_EQ(chart.series(PollSample::Speed)->points().back().y(), 0);
    // Hovering at the right edge of the plot shows the newest sample.
    auto* view = chart.findChild<QChartView*>("ChartView");
    const QPointF edge = view->chart()->mapToScene(view->chart()->plotArea().topRight());
    EXPECT_EQ(chart.hoverAt(view->mapFromScene(edge).x() - 1),
              "0.00 s\nPosition 800\nEncoder 800\nSpeed 0");
    EXPECT_EQ(chart.hoverAt(view->mapFromScene(edge).x() + 20), "");  // beside the plot

    // Paused, the chart stands still while polling goes on.
    chart.PauseChart->click();
    EXPECT_EQ(chart.PauseChart->text(), "Resume");
    moveTo("0");
    chart.redraw();
    EXPECT_EQ(chart.series(PollSample::Position)->points(), position);
    chart.PauseChart->click();
    EXPECT_EQ(chart.series(PollSample::Position)->points().back(), QPointF(0, 0));

    form->Chart->click();
    QCoreApplication::processEvents();
    EXPECT_FALSE(chart.isVisible());
    EXPECT_EQ(form->width(), width);
}

TEST_F(ChartTest, ARecordingHoldsEverySampleOfAMove) {
    QTemporaryDir dir;
    const QString path = dir.filePath("move.csv");
    rig.prompter.fileNames = {path};
    form->Chart->click();
    form->chart->RecordChart->click();
    EXPECT_EQ(form->chart->RecordChart->text(), "Stop");
    tickOnce();
    moveTo("-400");
    // Every row is in the file before the recording ends; Stop adds nothing.
    const QByteArray recorded = fileBytes(path);
    form->chart->RecordChart->click();
    EXPECT_EQ(fileBytes(path), recorded);

    const QList<QByteArray> rows = recorded.split('\n');
    ASSERT_EQ(rows.size(), qsizetype(samples.size() + 2));
    EXPECT_EQ(rows[0], "time_ms,position,encoder,speed,status,inputs,outputs\r");
    EXPECT_EQ(rows[1], "0,0,0,,,,\r");  // speed and the words are read on later ticks
    EXPECT_EQ(rows.back(), "");
    const QList<QByteArray> last = rows[rows.size() - 2].split(',');
    EXPECT_EQ(last.mid(1), QList<QByteArray>({"-400", "-400", "0", "0", "0", "0\r"}));
    EXPECT_EQ(last[0].toLongLong(), samples.back().ms - samples.front().ms);
    EXPECT_EQ(form->chart->RecordStatus->text(),
              QString("Saved %1 samples to %2").arg(samples.size()).arg(path));
    EXPECT_EQ(rig.prompter.dialogs,
              QList<QStringList>({{"save", "Record", "CSV Files (*.csv)|*.csv", "recording.csv"}}));
    EXPECT_TRUE(rig.prompter.messages().isEmpty());
}

TEST_F(ChartTest, ClosingTheWindowEndsARecordingWithItsFile) {
    QTemporaryDir dir;
    rig.prompter.fileNames = {dir.filePath("run.csv")};
    form->chart->RecordChart->click();
    for (int i = 0; i < 3; ++i) {
        tickOnce();
    }
    form->close();
    EXPECT_EQ(fileBytes(dir.filePath("run.csv")).count('\n'), 4);
}

}  // namespace
