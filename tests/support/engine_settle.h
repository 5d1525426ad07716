#pragma once

#include <functional>

// LineEngine::settle: tests that drove a window synchronously call this where they used to read
// the wire at once; it never sleeps a fixed time. Without allEvents no timer fires: a window
// ticks only when its test says so.
bool settleEngines(bool allEvents = false);

// From a job's thread (a hook of the simulated line): runs fn in the window's thread and waits
// until it has run there, as input the window handled between two exchanges. The window's
// thread must be settling meanwhile.
void inWindowThread(const std::function<void()>& fn);
