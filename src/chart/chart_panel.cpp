#include "chart/chart_panel.h"

#include <QChart>
#include <QChartView>
#include <QDir>
#include <QHBoxLayout>
#include <QLineSeries>
#include <QMouseEvent>
#include <QToolTip>
#include <QVBoxLayout>
#include <QValueAxis>
#include <limits>

#include "monitor/poll_feed.h"
#include "widgets/prompter.h"
#include "widgets/ui_helpers.h"

namespace {

constexpr int kRedrawMs = 250;

// A chart view that tells its panel where the mouse is.
class HoverView : public QChartView {
  public:
    HoverView(QChart* chart, const ChartPanel& panel) : QChartView(chart), panel_(panel) {
        setMouseTracking(true);
    }

  protected:
    void mouseMoveEvent(QMouseEvent* event) override {
        const QString text = panel_.hoverAt(event->position().toPoint().x());
        if (text.isEmpty()) {
            QToolTip::hideText();
        } else {
            QToolTip::showText(event->globalPosition().toPoint(), text, this);
        }
        QChartView::mouseMoveEvent(event);
    }

  private:
    const ChartPanel& panel_;
};

// The axis spans the points' values with room above and below. It keeps its range while the
// values stay inside and fill a good part of it: a new range lays the whole chart out again, which
// costs many times more than drawing the lines.
void fitAxis(QValueAxis* axis, std::initializer_list<const QList<QPointF>*> lists) {
    double low = std::numeric_limits<double>::max();
    double high = std::numeric_limits<double>::lowest();
    for (const QList<QPointF>* points : lists) {
        for (const QPointF& p : *points) {
            low = std::min(low, p.y());
            high = std::max(high, p.y());
        }
    }
    if (low > high) {
        low = high = 0;
    }
    const double room = std::max(1.0, (high - low) * 0.25);
    const bool inside = low >= axis->min() && high <= axis->max();
    if (inside && (high - low) + 2 * room >= (axis->max() - axis->min()) / 3) {
        return;
    }
    axis->setRange(low - room, high + room);
    axis->applyNiceNumbers();
}

QLineSeries* lineSeries(const QString& name, const QColor& color, qreal width) {
    auto* series = new QLineSeries;
    series->setName(name);
    series->setPen(QPen(color, width));
    return series;
}

QValueAxis* valueAxis(const QString& title, int ticks) {
    auto* axis = new QValueAxis;
    axis->setTitleText(title);
    axis->setLabelFormat(QStringLiteral("%.10g"));
    axis->setTickCount(ticks);
    return axis;
}

}  // namespace

ChartPanel::ChartPanel(PollFeed& feed, Prompter& prompter, QWidget* parent)
    : QWidget(parent),
      SpanList(named<QComboBox>("SpanList")),
      PauseChart(named<QPushButton>("PauseChart", QStringLiteral("Pause"))),
      RecordChart(named<QPushButton>("RecordChart", QStringLiteral("Record..."))),
      RecordStatus(named<QLabel>("RecordStatus")),
      prompter_(prompter),
      history_(kHistorySamples) {
    setObjectName(QStringLiteral("ChartPanel"));
    RecordStatus->setTextFormat(Qt::PlainText);  // it names the file
    SpanList->addItem(QStringLiteral("10 s"), 10'000);
    SpanList->addItem(QStringLiteral("1 min"), 60'000);
    SpanList->addItem(QStringLiteral("10 min"), 600'000);
    SpanList->setToolTip(QStringLiteral("How much of the past the chart shows"));
    PauseChart->setCheckable(true);
    PauseChart->setToolTip(
        QStringLiteral("Pause: the chart stands still (polling and recording go on); "
                       "Resume: it follows the device again. Sends nothing"));
    RecordChart->setToolTip(
        QStringLiteral("Record...: every polled sample into a CSV file until Stop. Sends nothing"));
    RecordStatus->setTextInteractionFlags(Qt::TextSelectableByMouse);
    buildChart();

    auto* controls = new QHBoxLayout;
    controls->addWidget(new QLabel(QStringLiteral("Span")));
    controls->addWidget(SpanList);
    controls->addWidget(PauseChart);
    controls->addWidget(RecordChart);
    controls->addWidget(RecordStatus, 1);
    auto* column = new QVBoxLayout(this);
    column->setContentsMargins(0, 0, 0, 0);
    column->addLayout(controls);
    column->addWidget(view_, 1);
    setMinimumWidth(560);

    connect(&feed, &PollFeed::sampled, this, &ChartPanel::take);
    connect(SpanList, &QComboBox::currentIndexChanged, this, &ChartPanel::redraw);
    connect(PauseChart, &QPushButton::toggled, this, &ChartPanel::pauseToggled);
    connect(RecordChart, &QPushButton::clicked, this, &ChartPanel::Record_Click);
    connect(&redrawTimer_, &QTimer::timeout, this, &ChartPanel::redraw);
    redrawTimer_.setInterval(kRedrawMs);
}

ChartPanel::~ChartPanel() = default;

void ChartPanel::buildChart() {
    chart_ = new QChart;
    chart_->setAnimationOptions(QChart::NoAnimation);
    chart_->legend()->setAlignment(Qt::AlignBottom);
    chart_->setMargins(QMargins(4, 4, 4, 4));
    // The encoder follows the position closely: a wide position line shows beneath it. Lines one
    // pixel wide take the painter's fast path.
    position_ = lineSeries(QStringLiteral("Position"), QColor(120, 160, 230), 3);
    encoder_ = lineSeries(QStringLiteral("Encoder"), QColor(200, 90, 0), 1);
    speed_ = lineSeries(QStringLiteral("Speed"), QColor(0, 128, 0), 1);
    time_ = valueAxis(QStringLiteral("s"), 6);
    counts_ = valueAxis(QStringLiteral("Position, Encoder"), 5);
    speedAxis_ = valueAxis(QStringLiteral("Speed"), 5);
    chart_->addAxis(time_, Qt::AlignBottom);
    chart_->addAxis(counts_, Qt::AlignLeft);
    chart_->addAxis(speedAxis_, Qt::AlignRight);
    for (QLineSeries* s : {position_, encoder_, speed_}) {
        chart_->addSeries(s);
        s->attachAxis(time_);
        s->attachAxis(s == speed_ ? speedAxis_ : counts_);
    }
    view_ = new HoverView(chart_, *this);
    view_->setObjectName(QStringLiteral("ChartView"));
    view_->setRenderHint(QPainter::Antialiasing, false);
    view_->setMinimumHeight(360);
}

QLineSeries* ChartPanel::series(PollSample::Field field) const {
    switch (field) {
        case PollSample::Position:
            return position_;
        case PollSample::Encoder:
            return encoder_;
        case PollSample::Speed:
            return speed_;
        default:
            return nullptr;
    }
}

qint64 ChartPanel::spanMs() const {
    return SpanList->currentData().toLongLong();
}

void ChartPanel::take(const PollSample& sample) {
    history_.push(sample);
    if (!recorder_.recording()) {
        return;
    }
    if (const auto message = recorder_.add(sample)) {
        recordingStopped(*message);
    }
}

void ChartPanel::redraw() {
    if (!PauseChart->isChecked() && !history_.empty()) {
        shownToMs_ = history_.back().ms;
    }
    const qint64 span = spanMs();
    const TimeSpan shown{shownToMs_ - span, shownToMs_};
    const int columns = std::max(100, int(chart_->plotArea().width()));
    const QList<QPointF> position =
        chartPoints(history_, PollSample::Position, shown, columns, false);
    const QList<QPointF> encoder =
        chartPoints(history_, PollSample::Encoder, shown, columns, false);
    // Speed is read every eighth tick: drawn through its readings, not as steps.
    const QList<QPointF> speed = chartPoints(history_, PollSample::Speed, shown, columns, true);
    position_->replace(position);
    encoder_->replace(encoder);
    speed_->replace(speed);
    time_->setRange(-double(span) / 1000, 0);
    fitAxis(counts_, {&position, &encoder});
    fitAxis(speedAxis_, {&speed});
    showRecordState();
}

QString ChartPanel::hoverAt(int x) const {
    if (history_.empty()) {
        return QString();
    }
    const QRectF plot = chart_->plotArea();
    const QPointF inChart = chart_->mapFromScene(view_->mapToScene(QPoint(x, 0)));
    if (inChart.x() < plot.left() || inChart.x() > plot.right()) {
        return QString();
    }
    const double seconds = chart_->mapToValue(inChart, position_).x();
    const PollSample* sample = nearestSample(history_, shownToMs_ + qint64(seconds * 1000));
    return sample ? hoverText(*sample, shownToMs_) : QString();
}

void ChartPanel::pauseToggled(bool paused) {
    PauseChart->setText(paused ? QStringLiteral("Resume") : QStringLiteral("Pause"));
    if (paused) {
        redrawTimer_.stop();
    } else if (isVisible()) {
        redraw();
        redrawTimer_.start();
    }
}

void ChartPanel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    redraw();
    if (!PauseChart->isChecked()) {
        redrawTimer_.start();
    }
}

void ChartPanel::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    redrawTimer_.stop();
}

void ChartPanel::Record_Click() {
    if (recorder_.recording()) {
        finishRecording();
    } else {
        startRecording();
    }
}

void ChartPanel::startRecording() {
    const auto path =
        prompter_.saveFileName(QStringLiteral("Record"), QStringLiteral("CSV Files (*.csv)|*.csv"),
                               QStringLiteral("recording.csv"));
    if (!path || path->isEmpty()) {
        return;
    }
    if (const auto message = recorder_.start(*path)) {
        recordingStopped(*message);
        return;
    }
    RecordChart->setText(QStringLiteral("Stop"));
    showRecordState();
}

void ChartPanel::finishRecording() {
    if (!recorder_.recording()) {
        return;
    }
    const QString path = recorder_.path();
    const qint64 rows = recorder_.rows();
    if (const auto message = recorder_.finish()) {
        recordingStopped(*message);
        return;
    }
    RecordChart->setText(QStringLiteral("Record..."));
    lastRecording_ =
        QStringLiteral("Saved %1 samples to %2").arg(rows).arg(QDir::toNativeSeparators(path));
    showRecordState();
}

// The recording has ended on a failure; the message says what the file holds.
void ChartPanel::recordingStopped(const QString& message) {
    RecordChart->setText(QStringLiteral("Record..."));
    lastRecording_ = message;
    showRecordState();
    prompter_.info(message);
}

void ChartPanel::showRecordState() {
    RecordStatus->setText(recorder_.recording()
                              ? QStringLiteral("Recording %1 samples to %2")
                                    .arg(recorder_.rows())
                                    .arg(QDir::toNativeSeparators(recorder_.path()))
                              : lastRecording_);
}
