#pragma once

#include <QStringList>

#include "device/parameter_set.h"

class DeviceSession;

// How an upload ended.
enum class UploadEnd {
    Complete,             // every parameter was read
    WithoutDeceleration,  // the device does not know "EDEC" (nor "RZ"): the upload ended there
                          // quietly, as complete as such a device allows
    Refused,              // the port or the device was not open: nothing was sent
    Failed,               // a query failed or its reply could not be used; said why already
};

struct UploadResult {
    UploadEnd end = UploadEnd::Refused;
    // The keys whose replies were taken into the set, in the order they were read. A key that
    // was answered with a code the set has no value for ("DB" 7) is not among them.
    QStringList taken;

    bool usable() const {
        return end == UploadEnd::Complete || end == UploadEnd::WithoutDeceleration;
    }
};

// Reads the device's configuration into the set, one query at a time, after checking that the
// device is of the kind this program serves. Ends at the first failure; the values read by then
// keep their new state, the later ones their old state. Never writes to the device.
UploadResult uploadParameters(DeviceSession& session, ParameterSet& set);

// The upload's queries, in order.
QStringList uploadQueries();
