#pragma once

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <QWidget>

#include "chart/chart_points.h"
#include "monitor/csv_recorder.h"

class PollFeed;
class Prompter;
class QChart;
class QChartView;
class QLineSeries;
class QValueAxis;

// The motion chart: position, encoder and speed against time from the samples the polling cycle
// publishes, over the last 10 s, 1 min or 10 min; pause and resume; hover for the values; and a
// recording of every sample to a CSV file. It keeps a bounded history from the moment the window
// starts, so it shows the recent past when it is opened.
class ChartPanel : public QWidget {
    Q_OBJECT
  public:
    ChartPanel(PollFeed& feed, Prompter& prompter, QWidget* parent = nullptr);
    ~ChartPanel() override;

    // History kept: 10 minutes at over 200 samples a second.
    static constexpr size_t kHistorySamples = 131072;

    QComboBox* SpanList;
    QPushButton* PauseChart;
    QPushButton* RecordChart;
    QLabel* RecordStatus;

    const SampleHistory& history() const { return history_; }
    QLineSeries* series(PollSample::Field field) const;
    // Ends a recording under way; its file keeps its rows. The window is closing.
    void finishRecording();
    // Draws the history's newest span (the timer does this four times a second while shown).
    void redraw();
    // What hovering over the chart at this x position (in the chart view) shows.
    QString hoverAt(int x) const;

  protected:
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

  private:
    void buildChart();
    void take(const PollSample& sample);
    void pauseToggled(bool paused);
    void Record_Click();
    void startRecording();
    void recordingStopped(const QString& message);
    void showRecordState();
    qint64 spanMs() const;

    Prompter& prompter_;
    SampleHistory history_;
    CsvRecorder recorder_;
    QString lastRecording_;  // what the status says once a recording has ended
    QChart* chart_;
    QChartView* view_;
    QLineSeries* position_;
    QLineSeries* encoder_;
    QLineSeries* speed_;
    QValueAxis* time_;
    QValueAxis* counts_;
    QValueAxis* speedAxis_;
    QTimer redrawTimer_;
    qint64 shownToMs_ = 0;  // the newest time drawn
};
