// The program's name and commands on a private session bus.

#include "app/linux/instance_service.h"
#include "private_bus.h"

#include <QDBusPendingCall>
#include <QDialog>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

// A command whose action waits on the user (a modal dialog) is answered first: the
// caller hears back while the dialog is still open.
TEST(InstanceService, CommandsAnswerBeforeTheirDialogIsClosed) {
    PrivateBus bus;
    InstanceService service(bus.connection());
    ASSERT_EQ(service.claim(), InstanceService::Claim::Owned);

    for (const char* command : {"NewSubscriptions", "WhereAmI"}) {
        const QDBusPendingCall call = bus.connection().asyncCall(QDBusMessage::createMethodCall(
            QLatin1String(InstanceService::kName), QLatin1String(InstanceService::kPath),
            QLatin1String(InstanceService::kName), QString::fromLatin1(command)));
        bool answeredWhileOpen = false;
        // The dialog closes as soon as the call is answered, or gives up after 10 s.
        const auto dialog = [&] {
            QDialog box;
            QTimer poll;
            QObject::connect(&poll, &QTimer::timeout, [&] {
                if (call.isFinished()) {
                    answeredWhileOpen = !call.isError();
                    box.reject();
                }
            });
            poll.start(10);
            QTimer::singleShot(10000, &box, &QDialog::reject);
            box.exec();
        };
        service.setNewSubscriptions(dialog);
        service.setWhereAmI(dialog);
        EXPECT_TRUE(QTest::qWaitFor([&] { return call.isFinished(); }, 30000)) << command;
        EXPECT_TRUE(QTest::qWaitFor([&] { return answeredWhileOpen; }, 30000)) << command;
    }
}

} // namespace
} // namespace nearbeam::test
