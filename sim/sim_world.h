#pragma once

#include <QtGlobal>

// What surrounds the simulated axis, in the motor's own step positions: the two limit
// switches, the home switch and the encoder's index mark, plus the six general inputs and the
// latch input. It is physical: counters loaded with "PX=" and a power cycle do not move it.
struct SimWorld {
    qint64 plusLimit = 100000;    // the + limit switch is on from here upwards
    qint64 minusLimit = -100000;  // the - limit switch is on from here downwards
    qint64 home = 0;              // centre of the home switch
    qint64 homeHalfWidth = 50;    // the home switch is on within this distance of its centre
    qint64 indexEvery = 1000;     // an index mark at every multiple of this
    int inputs = 0;               // DI1..DI6 as bits 0..5
    bool latchInput = false;

    bool atPlusLimit(double at) const { return at >= plusLimit; }
    bool atMinusLimit(double at) const { return at <= minusLimit; }
    bool atHome(double at) const {
        return at >= home - homeHalfWidth && at <= home + homeHalfWidth;
    }
    bool atIndex(double at) const;
    // Edge of the home switch that a motor running in direction (+1/-1) meets first.
    double homeEdge(int direction) const { return double(home - direction * homeHalfWidth); }
    // Limit position in direction.
    double limit(int direction) const { return double(direction > 0 ? plusLimit : minusLimit); }
    // The next index mark strictly beyond at in direction.
    double nextIndex(double at, int direction) const;
};
