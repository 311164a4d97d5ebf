#include "app/linux/instance_service.h"

#include <QDBusConnectionInterface>
#include <QDBusMessage>

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

bool InstanceService::askWhereAmI() {
    const QDBusMessage reply =
        bus_.call(QDBusMessage::createMethodCall(QLatin1String(kName), QLatin1String(kPath),
                                                 QLatin1String(kName), QStringLiteral("WhereAmI")));
    return reply.type() == QDBusMessage::ReplyMessage;
}

// Both commands answer at once and act afterwards: what they open may wait on
// the user, and the caller must not wait with it.
void InstanceService::WhereAmI() {
    QMetaObject::invokeMethod(
        this, [this] { run(whereAmI_); }, Qt::QueuedConnection);
}

void InstanceService::NewSubscriptions() {
    QMetaObject::invokeMethod(
        this, [this] { run(newSubscriptions_); }, Qt::QueuedConnection);
}

} // namespace nearbeam

namespace nearbeam {

void InstanceService::Survey() {
    QMetaObject::invokeMethod(
        this, [this] { run(survey_.open); }, Qt::QueuedConnection);
}

// Recording answers at once with the outcome: the window is not modal and waits
// on no one.
QString InstanceService::RecordSurvey(const QString& place, uint scans) {
    return survey_.record ? survey_.record(place, scans)
                          : QStringLiteral("The survey is not available.");
}

void InstanceService::StopSurvey() {
    run(survey_.stop);
}

QString InstanceService::SurveyState() {
    return survey_.state ? survey_.state() : QString();
}

QString InstanceService::SurveyProgress() {
    return survey_.progress ? survey_.progress() : QString();
}

} // namespace nearbeam
