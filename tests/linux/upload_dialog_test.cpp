// The upload dialog to the loopback location server and back into the data files.

#include "base/memory_settings_store.h"
#include "base/settings_keys.h"
#include "base/text.h"
#include "linux/qt_support.h"
#include "locate/location_database.h"
#include "net/curl_transport.h"
#include "server/accounts/accounts.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "ui/linux/upload_dialog.h"

#include <QLabel>

namespace nearbeam::test {
namespace {

// A password store that may refuse to keep what it is given, as the secret
// service does when the desktop has none; the upload still reads it back.
class RefusingPasswordStore : public PlainPasswordStore {
  public:
    using PlainPasswordStore::PlainPasswordStore;
    bool write(const std::wstring& password) override {
        PlainPasswordStore::write(password);
        return keeps;
    }
    bool keeps = true;
};

class UploadDialogTest : public ::testing::Test {
  protected:
    UploadDialogTest() {
        LoopbackServer::Options options;
        options.folder = serverDir.folder();
        server = std::make_unique<LoopbackServer>(options);
        std::string error;
        EXPECT_TRUE(addUser(server->storage(), "demo", "secret", error)) << error;
        EXPECT_TRUE(server->start());
        settings::write(settings, settings::Server, widen(server->hostAndPort()));
        settings::write(settings, settings::Username, L"demo");
        passwords.write(L"secret");
        database.openDatabase(data.folder());
    }
    ~UploadDialogTest() override {
        delete context.open;
        agent.stop();
    }

    template <typename T> T* find(const char* name) {
        T* found = context.open ? context.open->findChild<T*>(name) : nullptr;
        EXPECT_TRUE(found) << name;
        return found;
    }

    TempDir data;
    TempDir serverDir;
    std::unique_ptr<LoopbackServer> server;
    MemorySettingsStore settings;
    RefusingPasswordStore passwords{settings};
    LocationDatabase database{settings};
    CurlTransport transport;
    SteadyClock clock;
    WebAgent agent{transport, clock};
    Uploader uploader{agent, database, settings, passwords, showUploadResult};
    UploadDialogContext context{uploader, settings, passwords, {}};
};

TEST_F(UploadDialogTest, UploadsThePlacesMadeHereAndShowsTheResult) {
    // Records as the set-location wizard leaves them.
    data.write("country.txt", "4294967295\tNorway\t3\r\n");
    data.write("province.txt", "4294967294\t4294967295\tVestland\t3\r\n");
    data.write("city.txt", "4294967293\t4294967294\tBergen\t3\r\n");
    data.write("building.txt", "4294967292\t0\t4294967293\tBus shelter\tMain St 2\t3\r\n");
    data.write("ap.txt", "0011223344b1\t4294967292\t0\t\tStop\t3\r\n");
    database.setUploadNeeded(true);
    openUploadDialog(context, nullptr);
    ASSERT_FALSE(context.open.isNull());
    EXPECT_EQ(context.open->windowTitle(), "Nearbeam Upload");
    EXPECT_EQ(find<QLineEdit>("username")->text(), "demo");
    EXPECT_EQ(find<QLineEdit>("password")->text(), "secret");
    EXPECT_EQ(find<QLineEdit>("password")->echoMode(), QLineEdit::Password);
    EXPECT_EQ(find<QLabel>("status")->text(), "Ready");
    EXPECT_TRUE(find<QLabel>("hint")->isHidden());

    EXPECT_TRUE(find<QLabel>("unkept")->isHidden());
    passwords.keeps = false;
    typeInto(find<QLineEdit>("password"), "wrong");
    QTest::keyClick(find<QLineEdit>("password"), Qt::Key_Return); // Enter is Upload
    EXPECT_FALSE(find<QPushButton>("upload")->isEnabled());
    EXPECT_FALSE(find<QLabel>("hint")->isHidden());
    EXPECT_EQ(find<QPushButton>("close")->text(), "Close");
    EXPECT_EQ(passwords.read(), L"wrong"); // stored before the upload starts
    EXPECT_FALSE(find<QLabel>("unkept")->isHidden());
    ASSERT_TRUE(QTest::qWaitFor([&] { return find<QPushButton>("upload")->isEnabled(); }, 30000));
    EXPECT_EQ(find<QLabel>("status")->text(),
              "Nearbeam server did not accept the upload. Unknown user name or wrong password.");
    EXPECT_EQ(data.read("ap.txt"), "0011223344b1\t4294967292\t0\t\tStop\t3\r\n");

    passwords.keeps = true;
    typeInto(find<QLineEdit>("password"), "secret");
    click(find<QPushButton>("upload"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return find<QPushButton>("upload")->isEnabled(); }, 30000));
    EXPECT_EQ(find<QLabel>("status")->text(),
              "Upload successful! Thank you, demo: 5 records stored.");
    EXPECT_TRUE(find<QLabel>("hint")->isHidden());
    EXPECT_TRUE(find<QLabel>("unkept")->isHidden());
    EXPECT_EQ(data.read("ap.txt"), "0011223344b1\t1\t0\t\tStop\t0\r\n");
    EXPECT_EQ(data.read("building.txt"), "1\t0\t1\tBus shelter\tMain St 2\t0\r\n");
    EXPECT_EQ(settings::read(settings, settings::UploadNeeded), 0);

    QTest::keyClick(context.open, Qt::Key_Escape);
    EXPECT_TRUE(QTest::qWaitFor([&] { return context.open.isNull(); }, 30000));
}

TEST_F(UploadDialogTest, PrivateModeSendsNothingAndAPlainRemoteServerIsWarnedOf) {
    settings::write(settings, settings::PrivateMode, 1);
    openUploadDialog(context, nullptr);
    EXPECT_TRUE(find<QLabel>("clear")->isHidden()); // the server is on this computer
    click(find<QPushButton>("upload"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return find<QLabel>("status")->text() != "Ready"; }, 30000));
    EXPECT_EQ(find<QLabel>("status")->text(), "Private mode is on: nothing leaves this computer.");
    EXPECT_EQ(server->requestsSeen(), 0u);
    context.open->close();

    settings::write(settings, settings::Server, L"map.example");
    openUploadDialog(context, nullptr);
    EXPECT_FALSE(find<QLabel>("clear")->isHidden());
}

} // namespace
} // namespace nearbeam::test
