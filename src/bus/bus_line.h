#pragma once

#include <QMap>
#include <QString>
#include <QStringList>
#include <array>
#include <functional>
#include <memory>
#include <optional>

#include "device/line_engine.h"
#include "monitor/bus_doctor.h"
#include "monitor/bus_poll.h"

// What one row of the bus window shows, taken on the line side after the device's turn.
struct BusRow {
    QString id;
    QString name;
    QString identity;
    QString version;
    QString position;
    QString encoder;
    QString speed;
    QString status;
    std::optional<std::array<bool, 4>> lamps;  // +L, H, -L, Z once the motion status was read
    QString lineState;                         // "OK", "no reply since 14:03:12"
    quint64 exchanges = 0;
    quint64 unanswered = 0;
    quint64 late = 0;
    quint64 garbled = 0;
    quint64 dollarRepeats = 0;
    qint64 p50Us = -1;  // reply times; -1 before any reply
    qint64 p95Us = -1;
    qint64 maxUs = -1;
    qint64 lastAnswerMs = -1;
};

// The row of a device as the poll and its tally leave it.
BusRow busRow(const BusDevice& device, const LineQuality& quality);

// The bus window's line side: its poll and, while a diagnosis runs, the doctor. Lives in the
// window and is used by its jobs only, in the engine's thread.
class BusLine {
  public:
    BusLine() = default;
    ~BusLine();
    BusLine(const BusLine&) = delete;
    BusLine& operator=(const BusLine&) = delete;

    // Opens the port at the baud rate and hooks the poll's tally to the line; the message for
    // the user when the port cannot be opened.
    std::optional<QString> open(LineEngine::Line& line, int portNumber, const QString& baud);
    bool isOpen() const { return poll_ != nullptr; }

    // "DN" to the ID: whether a device answered. A failed line is told by failure().
    bool probe(LineEngine::Line& line, const QString& id);

    // The next device of the list in turn; nothing when the list is empty.
    std::optional<BusRow> pollNext(const QStringList& ids);

    // The doctor's steps. start makes it, step runs the next one (false once it has ended),
    // finish gives its report as text and puts the poll's tally back on the line.
    void startDoctor(LineEngine::Line& line, const DoctorPlan& plan);
    bool doctorStep(bool cancel);
    int doctorStepsDone() const;
    int doctorStepsTotal() const;
    QString doctorStepText() const;
    QString finishDoctor();

    // The line failed: why ("" while it has not).
    const QString& failure() const { return failure_; }
    // Lets go of the line (its tally hook); from the engine's thread, before the line ends.
    void close();

  private:
    std::unique_ptr<BusPoll> poll_;
    std::unique_ptr<BusDoctor> doctor_;
    int baud_ = 0;
    QString failure_;
};
