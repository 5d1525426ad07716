#pragma once

#include <functional>

#include <QByteArray>
#include <QString>

#include "link/serial_port.h"

// "@" + device ID + command + CR.
QByteArray commandFrame(const QString& address, const QString& command);

// The pause the device needs before it answers: 200 ms after "STORE", "DN=..." and "Z...",
// 1000 ms after any command containing "SR", both when both apply. Case-sensitive.
int commandDelayMs(const QString& command);

struct ExchangeResult {
    enum class Status { Reply, NoReply, PortFailure };
    Status status = Status::NoReply;
    QString text;   // the reply payload (prefix stripped) when status is Reply
    QString error;  // the platform's description when status is PortFailure
};

struct ExchangeOptions {
    // Replies may carry "$" auto-response lines; the payload is taken after the first "P".
    bool arMode = false;
    // How many times the frame is written before the device counts as silent.
    int attempts = 1;
};

// What one exchange saw, for whoever measures the line's health device by device.
struct ExchangeTrace {
    QString address;
    QString command;
    ExchangeResult::Status status = ExchangeResult::Status::NoReply;
    QByteArray line;      // the reply line as it came, prefix included, without its CR
    QString reply;        // the reply as the exchange returned it
    qint64 replyUs = -1;  // from the end of the command (and its delay) to the reply's CR
    int writes = 0;       // frames written: a command sent again counts each time
    // Lines, or parts of one, dropped while the line settled before the command went out: an
    // answer that came too late for the exchange before, or a second answer to it.
    quint64 droppedBefore = 0;
    // Answered, but the reply may have been an earlier command's late answer (or the answer to an
    // unanswered first attempt), so this command's own answer may still come: a line dropped
    // before the next exchange is then that late answer, not a second one.
    bool answerOnItsWay = false;
};

// What the exchanges on one line carry from one to the next, so that an answer that comes after
// its own exchange has ended is never taken for the answer to a later command.
struct LineState {
    // The line may still bring characters that no coming command asked for: it has just been
    // opened, or an exchange ended before its reply's CR (the device answered late, a CR was
    // lost). The next exchange first waits for the line to fall quiet and drops what came.
    bool unsettled = false;
    // An exchange ended unanswered and no line has come since that could have been its answer.
    // The next reply may then be that late answer: the exchange after it waits for quiet too, so
    // that a reply taken for the wrong command costs that one reply only.
    bool owed = false;

    // Counts for whoever watches the line's health.
    quint64 exchanges = 0;     // exchanges that wrote their command
    quint64 unanswered = 0;    // ... and ended without a reply
    quint64 staleDropped = 0;  // lines, or parts of one, dropped because no command awaited them

    // Runs first in every exchange on this line (the line engine sends a due stop there).
    std::function<void()> beforeExchange;
    // Runs at the end of every exchange() on this line with what it saw.
    std::function<void(const ExchangeTrace&)> afterExchange;
};

// One command line out, one reply line back: drop what the line holds from earlier exchanges
// (auto-response "$" lines excepted: they belong to the next reply), write the frame, wait the
// command's delay, read one character at a time until CR (101 empty reads of 1 ms end the wait),
// strip the "#" prefix. Shows nothing and owns no window state; each window's policy builds on it.
ExchangeResult exchange(SerialPort& port, LineState& line, const QString& address,
                        const QString& command, const ExchangeOptions& options = {});

// A frame to every device at once (ID "00"): each hears it and none answers, so nothing is read
// and nothing waited for but the command's own delay. What the line holds, and whatever it owes
// from an earlier exchange, is left for the next exchange to settle.
void sendBroadcast(SerialPort& port, const QString& command);

// For an exchange that reads its reply itself (the main window's terminal pane shows the line as
// it comes): before the write, the line is settled as for every exchange (what it holds is
// dropped, and after an unanswered command the line is first given time to fall quiet)...
void beginOwnExchange(SerialPort& port, LineState& line);
// ... and after the read, the line state learns whether the command was answered, so that a late
// answer is never taken for a later command's reply.
void endOwnExchange(LineState& line, bool answered);
