#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>

#include "sim/sim_motion.h"
#include "sim/sim_parameters.h"

// Ways a simulated device can misbehave, switched on by tests and by nvq-can-sim's control input.
struct SimFaults {
    bool silent = false;    // answers nothing (switched off, wrong wiring)
    int replyDelayMs = 0;   // answers late
    bool noCR = false;      // never ends its reply line
    bool endless = false;   // after its reply, streams characters without a CR
    int trickleMs = 0;      // ... this far apart (0: as fast as the line goes)
    bool garbage = false;   // answers with noise instead of its reply
    int dollarReplies = 0;  // the next n replies are auto-response "$" lines
    QByteArray dollarText = "$DONE";
    QList<QByteArray> rawReplies;  // the next replies are exactly these bytes (CR included or not)

    // The next count replies to exactly this command come ms late (beyond replyDelayMs).
    struct Late {
        QString command;
        int ms = 0;
        int count = 1;
    };
    QList<Late> late;
    // The extra lateness of the reply to this command; uses up one of its rule's replies.
    int takeLateness(const QString& command);
};

// One NVQ-CAN device as the protocol describes it: identity, version, device name "KRB" + ID,
// every parameter key with a default, a flash store, communication settings that take effect at
// the next power cycle, and the motion model.
class SimDevice : public SimParameters {
  public:
    SimDevice(int id, int baud);
    QString parameter(const QString& key) const override { return values.value(key); }

    int id() const { return id_; }
    int baud() const { return baud_; }
    QString address() const;  // "05"

    // One command (the frame's text between the ID and the CR). Returns the reply payload without
    // prefix or CR, or nothing when the device does not answer.
    std::optional<QString> handle(const QString& command, qint64 nowMs);
    // Lets the motion model run up to nowMs; returns an auto-response line to send, if any.
    std::optional<QString> advanceTo(qint64 nowMs);

    // Switches the device off and on: it loses what was not stored and takes up the stored
    // communication settings (device ID, baud rate).
    void powerCycle(qint64 nowMs);

    bool prefixReplies() const;  // "#" + ID before every reply ("RT=1", or forced by a test)
    // False while the device runs CANopen: it then ignores the serial line until a power cycle
    // takes up another stored method.
    bool onSerialLine() const { return method_ != 2; }

    SimFaults faults;
    bool forcePrefix = false;
    QString identity = QStringLiteral("Stepvane-CAN");
    QString version = QStringLiteral("V340");
    QMap<QString, QString> values;  // the live parameter set, by key
    QMap<QString, QString> flash;   // what "STORE" kept
    SimMotion motion;

  private:
    std::optional<QString> read(const QString& key, qint64 nowMs);
    std::optional<QString> write(const QString& key, const QString& value, qint64 nowMs);

    int id_;
    int baud_;
    int method_ = 1;  // "CM" as taken up at the last power cycle
};

// Baud rate code of the "DB" key: 1 9600 ... 5 115200; 0 when the rate has no code.
int baudCode(int baud);
int baudFromCode(int code);
