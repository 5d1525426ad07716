#pragma once

#include <QObject>
#include <QPointer>
#include <functional>

// Calls handed from a line engine's thread to the application's main thread, where the windows
// live, in the order they were handed over. A call runs only while its context is there; else
// ifGone runs instead. The check happens in the main thread, which is the one that destroys
// contexts, so it cannot race with their end.
//
// The calls travel through a queue of our own under a std::mutex, and the main thread is only
// woken by an event that carries nothing: so the hand-over is one ThreadSanitizer can see
// (Qt's own queue of posted events is locked where it cannot look).
void relayToWindow(const QPointer<QObject>& context, std::function<void()> fn,
                   std::function<void()> ifGone = {});

// Makes the receiver of the wake-up events; from the main thread, before any engine hands over.
void prepareWindowRelay();
