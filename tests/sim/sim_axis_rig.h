#pragma once

#include <gtest/gtest.h>

#include <QStringList>

#include "sim/sim_device.h"
#include "support/qt_printers.h"

// One simulated device driven by command texts at given times on the virtual clock (ms).
struct AxisRig {
    SimDevice device{1, 9600};

    QString ask(const QString& command, qint64 atMs) {
        return device.handle(command, atMs).value_or(QStringLiteral("<no reply>"));
    }
    qint64 number(const QString& command, qint64 atMs) {
        bool ok = false;
        const QString reply = ask(command, atMs);
        const qint64 value = reply.toLongLong(&ok);
        EXPECT_TRUE(ok) << command.toStdString() << " answered " << reply.toStdString();
        return value;
    }
    // Commands that must all be accepted.
    void send(const QStringList& commands, qint64 atMs) {
        for (const QString& c : commands) {
            EXPECT_EQ(ask(c, atMs), "OK") << c.toStdString();
        }
    }
    // The motion bits of "MST": 1 constant speed, 2 accelerating, 4 decelerating.
    qint64 motionBits(qint64 atMs) { return number("MST", atMs) & 7; }
};

// A quick profile for the tests: ramps of 0.9 s between 100 and 1000 steps/s.
inline const QStringList kQuickProfile = {"HSPD=1000", "LSPD=100", "ACC=1000", "DEC=1000"};
