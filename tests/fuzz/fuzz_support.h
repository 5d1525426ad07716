#pragma once

// Shared by the fuzz targets: breaking an invariant names it and aborts, which both libFuzzer
// and the corpus replay report as a failure; windows get an offscreen application.
#include <QApplication>
#include <QStringList>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "sim/sim_port.h"

inline void fuzzCheck(bool condition, const char* invariant) {
    if (!condition) {
        fprintf(stderr, "broken invariant: %s\n", invariant);
        abort();
    }
}

// One object for the whole run (building one per input would dominate the time), in an offscreen
// application; both live until the process ends. A program asks for one kind of object only.
template <class T>
T& oneForTheRun() {
    static int argc = 1;
    static char name[] = "fuzz";
    static char* argv[] = {name, nullptr};
    [[maybe_unused]] static const bool offscreen = qputenv("QT_QPA_PLATFORM", "offscreen");
    [[maybe_unused]] static QApplication* app = new QApplication(argc, argv);
    static T* object = new T;
    return *object;
}

// The input's bytes from the given offset on, as one block.
inline QByteArray inputBytes(const uint8_t* data, size_t size, size_t from) {
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size))
        .mid(static_cast<qsizetype>(from));
}

// Several device replies in one input, separated by the byte 0xFF (which thus never reaches a
// reply itself; the garbage fault covers such bytes).
inline QList<QByteArray> splitReplies(const QByteArray& bytes) {
    return bytes.isEmpty() ? QList<QByteArray>() : bytes.split('\xff');
}

// What a main window tells the user when its port is lost: the platform's error, then that the
// port is not available; once, and nothing else.
inline bool toldPortLost(const QStringList& told) {
    return told.size() == 2 && told[0].startsWith(QLatin1String("Communication Error! ")) &&
           told[1] == QLatin1String(
                          "Communication port not available!  Please select available "
                          "communication port and try again.");
}

// The texts of the coded displays: motion status, Pos Guard by code, latch and sync states by
// code.
inline const QStringList kMotionTexts = {"IDLE", "CONST", "ACCEL", "DECEL", "-LIM ERR", "+LIM ERR"};
inline const QStringList kPosGuardTexts = {
    "IDLE",     "MOVING",    "CORRECTING", "STOPPING",  "ABORTING", "JOGGING", "HOMING",
    "Z-HOMING", "ERR-RANGE", "ERR-ATMPT",  "ERR-STALL", "ERR-LIM",  "NA"};
inline const QStringList kArmedTexts = {"OFF", "WAITING", "ON"};

// A simulated port whose adapter is unplugged after a given number of reads, writes and waits
// (never when that number is negative): from then on every operation fails the way it does on a
// vanished port.
class VanishingPort : public SimPort {
  public:
    explicit VanishingPort(SimHub& hub, int operationsLeft = -1)
        : SimPort(hub), hub_(hub), left_(operationsLeft) {}

    void vanishAfter(int operations) { left_ = operations; }
    bool vanished() const { return hub_.vanished(number()); }

    void write(const QByteArray& data) override { counted().SimPort::write(data); }
    QByteArray read() override { return counted().SimPort::read(); }
    void delay(int ms) override { counted().SimPort::delay(ms); }
    bool waitForInput(int ms) override { return counted().SimPort::waitForInput(ms); }

  private:
    // Counts one operation down; the adapter goes when none are left.
    SimPort& counted() {
        if (left_ >= 0 && left_-- == 0) {
            hub_.vanish(number());
        }
        return *this;
    }

    SimHub& hub_;
    int left_;
};
