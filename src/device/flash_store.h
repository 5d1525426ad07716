#pragma once

class DeviceSession;

enum class StoreEnd {
    Stored,   // the device answered "OK": "Store to Flash done!"
    Refused,  // it answered something else: "Error setting flash!"
    Failed,   // no answer, or the line failed: the exchange's own message only
};

// Sends "STORE": the device keeps its present parameters in flash memory. It stores what the
// device holds, not a parameter set: a download comes first. Asking the user first, and the
// guards, are the caller's.
StoreEnd storeToFlash(DeviceSession& session);
