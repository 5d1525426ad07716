#pragma once

#include <functional>

#include "link/serial_port.h"

// How one read loop waits: it leaves when the count of consecutive empty reads exceeds
// idleLimit, waiting idleWaitMs after each empty read.
struct ReadLimits {
    int idleLimit = 100;
    int idleWaitMs = 1;
};

// A bound on one wait for a reply as a whole, not only on the silence between characters: a
// device that streams characters without ever ending its line, or trickles one character just
// before each silence limit, cannot keep the program waiting. Past 4096 characters or 3000
// empty reads in all (about three seconds of waiting) the wait ends as if nothing had come.
struct ReadBudget {
    int characters = 4096;
    int emptyReads = 3000;
};

enum class ReadEnd {
    Stopped,     // onChar asked to stop
    Silent,      // the idle limit was passed
    OverBudget,  // the total bound was reached
};

// The one character-by-character read loop of the program. Each received character goes to
// onChar, which returns true to end the loop. PortError propagates to the caller.
ReadEnd readCharacters(SerialPort& port, const ReadLimits& limits, ReadBudget& budget,
                       const std::function<bool(char)>& onChar);
