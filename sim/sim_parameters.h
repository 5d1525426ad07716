#pragma once

#include <QString>

// Read access to the device's parameter set ("CURR", "AR", "SYNC", ...), for the parts of the
// device that act on parameters they do not own.
class SimParameters {
  public:
    virtual ~SimParameters() = default;
    // The stored text of key; empty when the device has no such key.
    virtual QString parameter(const QString& key) const = 0;
};
