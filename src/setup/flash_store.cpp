#include "setup/flash_store.h"

#include "setup/setup_messages.h"
#include "setup/setup_session.h"

void storeToFlash(SetupSession& session) {
    if (!session.ready() || !session.confirm(kStoreQuestion, kStoreTitle)) {
        return;
    }
    // A failed exchange has told the user already; its message is the only one.
    if (const auto reply = session.request(QStringLiteral("STORE"))) {
        session.tell(*reply == QLatin1String("OK") ? kStoreDone : kStoreError);
    }
}
