#include "device/flash_store.h"

#include "device/device_session.h"
#include "device/parameter_messages.h"

StoreEnd storeToFlash(DeviceSession& session) {
    const auto reply = session.request(QStringLiteral("STORE"));
    if (!reply) {
        return StoreEnd::Failed;  // the failed exchange has told the user already
    }
    const bool ok = *reply == QLatin1String("OK");
    session.tell(ok ? kStoreDone : kStoreError);
    return ok ? StoreEnd::Stored : StoreEnd::Refused;
}
