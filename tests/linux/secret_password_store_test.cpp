// The upload password on a desktop without a secret service.

#include "base/linux/secret_password_store.h"
#include "private_bus.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

// The typed password still serves this run's uploads, and is gone with it.
TEST(SecretPasswordStore, WithoutASecretServiceNothingIsKept) {
    PrivateBus session; // nobody keeps secrets on this bus
    SecretPasswordStore store(QStringLiteral("Nearbeam test"), session.connection());
    EXPECT_FALSE(store.available());
    EXPECT_FALSE(store.write(L"secret"));
    EXPECT_EQ(store.read(), L"secret");
    SecretPasswordStore nextRun(QStringLiteral("Nearbeam test"), session.connection());
    EXPECT_EQ(nextRun.read(), L"");
}

} // namespace
} // namespace nearbeam::test
