#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <functional>
#include <vector>

#include "link/exchange.h"

// Reply times of one device: the latest ones kept for the percentiles, the longest ever seen.
class ReplyTimes {
  public:
    void add(qint64 us);
    // The time below which that fraction (0 to 1) of the kept times lie; -1 when none.
    qint64 percentileUs(double fraction) const;
    qint64 maxUs() const { return max_; }
    int count() const { return static_cast<int>(times_.size()); }

    static constexpr int kKept = 1024;

  private:
    std::vector<qint64> times_;  // a ring once full
    size_t next_ = 0;
    qint64 max_ = -1;
};

// How the exchanges with one device went, as the bus window shows them and the doctor judges
// them.
struct LineQuality {
    quint64 exchanges = 0;  // commands written to it (a re-sent command counts once)
    quint64 answered = 0;
    quint64 unanswered = 0;
    quint64 late = 0;  // answers that came after their exchange had ended, dropped
    // Replies that cannot be a reply: characters no reply holds, a prefix that is not one, a
    // command that answers a number answered with something else; or a second line after the
    // reply to one command.
    quint64 garbled = 0;
    quint64 doubled = 0;        // of the garbled: a second line after the reply
    quint64 foreignPrefix = 0;  // replies whose "#" prefix named another ID
    quint64 dollarRepeats = 0;  // "$" replies, each asked again
    // From the end of the command on the line (the port's write returns before the line has
    // carried it: the frame's own time is left out) to the reply's CR.
    ReplyTimes replyTimes;
    // The same less the time the reply's own characters take on the line at its rate: how long
    // the device took to answer, whatever the reply's length.
    ReplyTimes answerTimes;
    qint64 lastAnswerMs = -1;   // clock time of the latest reply; -1: none yet
    qint64 silentSinceMs = -1;  // clock time of the first unanswered command since then
};

// What is wrong with the reply to a command sent to an ID: the line as it came (prefix
// included) and the reply the exchange made of it.
enum class ReplyFault { None, Garbled, ForeignPrefix };
ReplyFault replyFault(const ExchangeTrace& trace);

// Tallies every exchange on one line by device ID. Hook it to the line:
//   line.afterExchange = [&tally](const ExchangeTrace& t) { tally.take(t); };
// Lines dropped before an exchange belong to the exchange before it: a second answer when that
// one was answered, a late answer when it went unanswered or its reply may have been an earlier
// command's late answer.
class LineTally {
  public:
    // baud: the line's rate, for the reply's own time on the line. clockMs: milliseconds since
    // the epoch (a test gives its own).
    explicit LineTally(int baud, std::function<qint64()> clockMs = {});

    void take(const ExchangeTrace& trace);
    // The device's tally; an empty one for an ID never asked.
    const LineQuality& of(const QString& id) const;
    const QMap<QString, LineQuality>& devices() const { return devices_; }
    void clear();
    int baud() const { return baud_; }

  private:
    int baud_;
    std::function<qint64()> clockMs_;
    QMap<QString, LineQuality> devices_;
    QString previous_;
    // The exchange before answered, and no answer of an earlier command was still owed.
    bool previousAnsweredOnly_ = false;
};

// The time n characters take on a line at baud (10 bits each), in microseconds.
qint64 characterTimeUs(int characters, int baud);
