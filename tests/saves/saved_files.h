#pragma once

#include <QByteArray>
#include <QString>
#include <vector>

#include "monitor/poll_feed.h"

// What the save child writes for each kind of file ("settings", "parameters", "terminal",
// "recording"), shared
// by the child and the tests that kill it: the child saves through the program's own writer, the
// test knows how many bytes that makes.

// Saves the kind's content to path through the program's writer for it; false when it failed.
bool saveKind(const QString& kind, const QString& path);
// The bytes that saveKind writes for the kind.
QByteArray kindContent(const QString& kind);

// A recording's samples, 10 ms apart from 0 on, and the file they make.
std::vector<PollSample> recordedSamples(int count);
QByteArray recordingContent(int count);

// The longest start of content made of whole lines (each ended by '\n') that fits in room bytes:
// what a recording of content keeps when the disk fills up after room bytes.
QByteArray wholeLinesWithin(const QByteArray& content, qint64 room);
