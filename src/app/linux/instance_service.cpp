#include "app/linux/instance_service.h"

#include <QDBusConnectionInterface>

namespace nearbeam {

InstanceService::~InstanceService() {
    if (owned_) {
        bus_.unregisterObject(QLatin1String(kPath));
        bus_.unregisterService(QLatin1String(kName));
    }
}

InstanceService::Claim InstanceService::claim() {
    if (!bus_.isConnected())
        return Claim::NoBus;
    // Without queueing: a second copy must hear at once that the name is taken.
    const auto reply = bus_.interface()->registerService(
        QLatin1String(kName), QDBusConnectionInterface::DontQueueService,
        QDBusConnectionInterface::DontAllowReplacement);
    if (!reply.isValid())
        return Claim::NoBus;
    if (reply.value() != QDBusConnectionInterface::ServiceRegistered)
        return Claim::Taken;
    owned_ = true;
    bus_.registerObject(QLatin1String(kPath), this, QDBusConnection::ExportScriptableSlots);
    return Claim::Owned;
}

void InstanceService::NewSubscriptions() {
    if (newSubscriptions_)
        newSubscriptions_();
}

} // namespace nearbeam
