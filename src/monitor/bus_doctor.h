#pragma once

#include <QJsonObject>
#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

#include "link/exchange.h"
#include "link/serial_port.h"
#include "monitor/line_quality.h"

// One thing wrong with the line, in plain words.
struct DoctorFinding {
    enum class Kind {
        SilentDevice,  // an expected device does not answer
        SharedId,      // two devices answer one ID
        OtherBaud,     // silent at this rate, answers "DN" at another
        NoisyLine,     // garbled replies spread over several devices
        SlowDevice,    // its answer time's p95 is above 20 ms
        LateReplies,   // answers that came after their exchange had ended
    };
    Kind kind = Kind::SilentDevice;
    QStringList ids;    // the devices it concerns, "05"
    QString title;      // what is wrong, one sentence
    QString evidence;   // the counts and times that show it
    QString check;      // what to check
    int otherBaud = 0;  // OtherBaud: the rate it answered at
};

// What a diagnosis is asked to do.
struct DoctorPlan {
    // Devices that should be there: one that stays silent is a finding.
    QStringList ids;
    // IDs to look at for devices: one that is silent is simply absent (its rate is still probed
    // when probeAbsent is set).
    QStringList lookAt;
    bool probeAbsent = false;
    int rounds = 10;  // how often each device is asked the harmless queries
    // When each device last answered before the diagnosis (the bus window knows); ms since the
    // epoch.
    QMap<QString, qint64> lastAnswerMs;
};

// The outcome: the findings (none: "No fault found"), the figures, and what was sent.
struct DoctorReport {
    int baud = 0;
    QStringList ids;                        // the devices that answered at the line's rate
    QMap<QString, int> otherBauds;          // silent IDs found at another rate
    QMap<QString, QString> otherBaudNames;  // ... and what they answered "DN" there
    // At the line's rate: the devices, the expected ones and those found at another rate.
    QMap<QString, LineQuality> quality;
    QList<DoctorFinding> findings;
    QStringList sent;  // what went out, in plain words, one line per kind of query
    bool cancelled = false;
    bool portFailed = false;
    QString error;  // when the line failed
};

// The findings that the figures of a diagnosis show. Pure: table-tested.
QList<DoctorFinding> diagnose(const DoctorPlan& plan, const DoctorReport& figures);

// The rates the doctor probes a silent ID at, besides the line's own.
QList<int> doctorRates();

// IDs as a short list: "01-03, 05, 07".
QString idRangesText(QStringList ids);

// The report for a person (the window's report, the command line's output) and as JSON.
QString doctorReportText(const DoctorReport& report);
QJsonObject doctorReportJson(const DoctorReport& report);

// A diagnosis in steps, so that a window can run each as a job (with a progress bar and Cancel
// between steps) and the command line in a loop. Harmless queries only: nothing is written to a
// device and nothing moves. Changes the line's rate while it probes other rates and sets it back
// before it ends.
//
// step() runs on the line's thread; cancel() may be called from any thread. The other accessors
// are read between steps.
class BusDoctor {
  public:
    BusDoctor(SerialPort& port, LineState& line, int baud, DoctorPlan plan);
    ~BusDoctor();
    BusDoctor(const BusDoctor&) = delete;
    BusDoctor& operator=(const BusDoctor&) = delete;

    // Runs the next step; false once every step has run (the report is then complete), after a
    // cancel, or when the line failed. The rate is set back before it returns false.
    bool step();
    int stepsDone() const;
    int stepsTotal() const;    // may grow once silent IDs are known
    QString stepText() const;  // what the step under way does, for the progress caption
    // Ends early: the step under way ends, the next step() sets the rate back and returns false;
    // the report says it was cancelled and keeps the figures so far (no findings: they would
    // judge a half-done diagnosis). Destroying an unfinished doctor does the same.
    void cancel();
    const DoctorReport& report() const;

  private:
    struct State;
    std::unique_ptr<State> d_;
};
