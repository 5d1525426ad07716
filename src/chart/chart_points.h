#pragma once

#include <QList>
#include <QPointF>
#include <QString>

#include "chart/ring_buffer.h"
#include "monitor/poll_feed.h"

using SampleHistory = RingBuffer<PollSample>;

// The stretch of time a chart shows: samples from fromMs to toMs, drawn against seconds before
// toMs (the newest at 0).
struct TimeSpan {
    qint64 fromMs = 0;
    qint64 toMs = 0;
};

// One value of the samples in the span as chart points, at most two per column: when there are
// more samples than columns, each column keeps its lowest and highest value, in time order, so a
// peak never disappears. freshOnly takes only the samples that read the value in their own tick.
QList<QPointF> chartPoints(const SampleHistory& history, PollSample::Field field, TimeSpan span,
                           int columns, bool freshOnly);

// The sample nearest to ms, or nullptr when there is none.
const PollSample* nearestSample(const SampleHistory& history, qint64 ms);

// What hovering over the chart shows for a sample: its time on the chart and its values.
QString hoverText(const PollSample& sample, qint64 toMs);
