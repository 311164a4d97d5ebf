// The upload from the dialog to the loopback location server and back into the
// data files, through WinInet and the registry; last, the whole road from the
// set-location wizard.

#include "base/settings_keys.h"
#include "base/text.h"
#include "base/win32/protected_password_store.h"
#include "base/win32/registry_settings_store.h"
#include "dialog_driver.h"
#include "locate/location_database.h"
#include "net/win32/wininet_transport.h"
#include "resource.h"
#include "server/accounts/accounts.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"
#include "ui/win32/set_location_window.h"
#include "ui/win32/upload_dialog.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <fstream>
#include <functional>
#include <iterator>
#include <mutex>
#include <thread>

namespace nearbeam::test {
namespace {

constexpr const wchar_t* kUploadCaption = L"Nearbeam Upload";
constexpr int kMessageBoxText = 0xFFFF;
const std::wstring kBadResponse =
    L"Upload failed: Bad response. (Do you need to log in to the network?)";

template <typename Condition> bool waitUntil(Condition&& condition, int ms = 30000) {
    for (int waited = 0; waited < ms; waited += 20) {
        if (condition())
            return true;
        Sleep(20);
    }
    return condition();
}

// A visible dialog of this process with this caption: the upload dialog, or a
// message box (which has no status line).
HWND findDialog(const wchar_t* caption, bool messageBox) {
    HWND found = nullptr;
    waitUntil([&] {
        for (HWND w = nullptr; (w = FindWindowExW(nullptr, w, L"#32770", caption));) {
            DWORD pid = 0;
            GetWindowThreadProcessId(w, &pid);
            if (pid == GetCurrentProcessId() && IsWindowVisible(w) &&
                (GetDlgItem(w, IDC_UPLOAD_STATUS) == nullptr) == messageBox) {
                found = w;
                return true;
            }
        }
        return false;
    });
    return found;
}

bool enabled(HWND dialog, int id) {
    return IsWindowEnabled(GetDlgItem(dialog, id));
}

bool visible(HWND dialog, int id) {
    return IsWindowVisible(GetDlgItem(dialog, id));
}

// Reads and dismisses the next message box of this caption.
std::wstring dismissBox(const wchar_t* caption) {
    HWND box = findDialog(caption, true);
    if (!box)
        return L"(no message box)";
    std::wstring message = text(box, kMessageBoxText);
    PostMessageW(box, WM_COMMAND, IDOK, 0);
    return message;
}

// Records as the set-location wizard leaves them: new lines in status 3 under
// local identifiers, and one record the server sent earlier.
const std::pair<const char*, const char*> kPlaced[] = {
    {"country.txt", "4294967295\tNorway\t3\r\n"},
    {"province.txt", "4294967294\t4294967295\tVestland\t3\r\n"},
    {"city.txt", "4294967293\t4294967294\tBergen\t3\r\n"},
    {"building.txt", "9\t0\t4294967293\tOld hall\t\t0\r\n"
                     "4294967292\t0\t4294967293\tBus shelter\tMain St 2\t3\r\n"},
    {"ap.txt", "0011223344b1\t4294967292\t0\t\tStop\t3\r\n"},
};

class UploadDialogTest : public ::testing::Test {
  protected:
    void SetUp() override {
        startServer();
        database.openDatabase(data.folder());
        placeRecords();
    }
    void TearDown() override { agent.stop(); }

    // The loopback server knowing the user demo, and the program set up for it.
    void startServer() {
        LoopbackServer::Options options;
        options.folder = serverDir.folder();
        options.exchanged = [this](const std::string&, const std::string& body,
                                   const std::string&) {
            std::lock_guard<std::mutex> lock(mutex);
            bodies.push_back(body);
        };
        server = std::make_unique<LoopbackServer>(options);
        std::string error;
        ASSERT_TRUE(addUser(server->storage(), "demo", "secret", error)) << error;
        ASSERT_TRUE(server->start());
        settings::write(settings, settings::Server, widen(server->hostAndPort()));
        settings::write(settings, settings::Username, L"demo");
        // As an earlier build kept it: plain text.
        settings::write(settings, settings::Password, L"secret");
    }

    void placeRecords() {
        for (const auto& [name, bytes] : kPlaced)
            data.write(name, bytes);
        database.setUploadNeeded(true);
    }
    bool localRecordsKept() {
        for (const auto& [name, bytes] : kPlaced) {
            if (data.read(name) != bytes)
                return false;
        }
        return settings::read(settings, settings::UploadNeeded) == 1;
    }

    // Opens the dialog on this thread while script drives it from another; the
    // dialog is closed when the script returns.
    bool runDialog(const std::function<void(HWND)>& script) {
        std::thread driver([&] {
            HWND dialog = findDialog(kUploadCaption, false);
            if (!dialog)
                return;
            script(dialog);
            if (IsWindow(dialog))
                PostMessageW(dialog, WM_COMMAND, IDCANCEL, 0);
        });
        bool opened = openUploadDialog(GetModuleHandleW(nullptr), nullptr, context);
        driver.join();
        return opened;
    }

    // Presses Upload and waits for the dialog to be ready again. Sent, not
    // posted: the press has been handled, and the button disabled while the
    // upload runs, before the wait begins.
    static void upload(HWND dialog) {
        SendMessageW(dialog, WM_COMMAND, IDOK, 0);
        waitUntil([&] { return enabled(dialog, IDOK); });
    }

    TempDir data;
    TempDir serverDir;
    std::mutex mutex;
    std::vector<std::string> bodies; // what the server received
    std::unique_ptr<LoopbackServer> server;
    // Emptied before the database takes its local identifier counter from it.
    const LONG registryCleared = RegDeleteTreeW(HKEY_CURRENT_USER, L"Software\\Nearbeam");
    RegistrySettingsStore settings;
    ProtectedPasswordStore passwords{settings};
    LocationDatabase database{settings};
    WinInetTransport transport;
    SteadyClock clock;
    WebAgent agent{transport, clock};
    Uploader uploader{agent, database, settings, passwords, showUploadResult};
    UploadDialogContext context{uploader, settings, passwords};
};

TEST_F(UploadDialogTest, UploadedRecordsComeBackUnderTheServersIdentifiers) {
    std::wstring shownUser, shownPassword, before, after, secondButton;
    bool hintShownAfter = true;
    ASSERT_TRUE(runDialog([&](HWND dialog) {
        shownUser = text(dialog, IDC_UPLOAD_USERNAME);
        shownPassword = text(dialog, IDC_UPLOAD_PASSWORD);
        before = text(dialog, IDC_UPLOAD_STATUS);
        upload(dialog);
        after = text(dialog, IDC_UPLOAD_STATUS);
        secondButton = text(dialog, IDCANCEL);
        hintShownAfter = visible(dialog, IDC_UPLOAD_HINT);
    }));
    EXPECT_EQ(shownUser, L"demo");
    EXPECT_EQ(shownPassword, L"secret");
    EXPECT_EQ(before, L"Ready");
    EXPECT_EQ(after, L"Upload successful! Thank you, demo: 5 records stored.");
    EXPECT_EQ(secondButton, L"Close");
    EXPECT_FALSE(hintShownAfter);

    std::lock_guard<std::mutex> lock(mutex);
    ASSERT_EQ(bodies.size(), 1u);
    EXPECT_EQ(bodies[0], "- login\ndemo\n79a7c5b3bb1f4438b2eaaaf08c0ae4de\n"
                         "- countries\n4294967295\tNorway\t3\n"
                         "- provinces\n4294967294\t4294967295\tVestland\t3\n"
                         "- cities\n4294967293\t4294967294\tBergen\t3\n"
                         "- buildings\n4294967292\t0\t4294967293\tBus shelter\tMain St 2\t3\n"
                         "- aps\n0011223344b1\t4294967292\t0\t\tStop\t3\n"
                         "- end\n");
    EXPECT_EQ(data.read("country.txt"), "1\tNorway\t0\r\n");
    EXPECT_EQ(data.read("province.txt"), "1\t1\tVestland\t0\r\n");
    EXPECT_EQ(data.read("city.txt"), "1\t1\tBergen\t0\r\n");
    EXPECT_EQ(data.read("building.txt"), "9\t0\t4294967293\tOld hall\t\t0\r\n"
                                         "1\t0\t1\tBus shelter\tMain St 2\t0\r\n");
    EXPECT_EQ(data.read("ap.txt"), "0011223344b1\t1\t0\t\tStop\t0\r\n");
    EXPECT_EQ(settings::read(settings, settings::UploadNeeded), 0);

    // The plain password of an earlier build went back protected: binary, without
    // its text, and read back the same.
    DWORD type = 0;
    BYTE sealed[1024] = {};
    DWORD size = sizeof sealed;
    ASSERT_EQ(RegGetValueW(HKEY_CURRENT_USER, L"Software\\Nearbeam\\APDB", L"Password", RRF_RT_ANY,
                           &type, sealed, &size),
              ERROR_SUCCESS);
    EXPECT_EQ(type, static_cast<DWORD>(REG_BINARY));
    const std::wstring plain = L"secret";
    const auto* plainBytes = reinterpret_cast<const BYTE*>(plain.data());
    EXPECT_EQ(std::search(sealed, sealed + size, plainBytes, plainBytes + plain.size() * 2),
              sealed + size);
    EXPECT_EQ(passwords.read(), L"secret");
}

// Closed while the reply is on its way: the upload finishes in the background and
// its result comes in a message box.
TEST_F(UploadDialogTest, ClosedDuringTheUploadTheResultComesInAMessageBox) {
    Misbehaviour slow;
    slow.dripMs = 40;
    server->setMisbehaviour(slow);
    bool fieldsDisabled = false, hintShown = false;
    std::wstring secondButton, result;
    // The box may also come from the dialog's own closing, on this thread.
    std::thread boxReader([&] { result = dismissBox(kUploadCaption); });
    EXPECT_TRUE(runDialog([&](HWND dialog) {
        PostMessageW(dialog, WM_COMMAND, IDOK, 0);
        waitUntil([&] { return text(dialog, IDC_UPLOAD_STATUS) == L"Receiving response..."; });
        fieldsDisabled = !enabled(dialog, IDC_UPLOAD_USERNAME) &&
                         !enabled(dialog, IDC_UPLOAD_PASSWORD) && !enabled(dialog, IDOK);
        hintShown = visible(dialog, IDC_UPLOAD_HINT);
        secondButton = text(dialog, IDCANCEL);
    }));
    EXPECT_TRUE(fieldsDisabled);
    EXPECT_TRUE(hintShown);
    EXPECT_EQ(secondButton, L"Close");
    boxReader.join();
    EXPECT_EQ(result, L"Upload successful! Thank you, demo: 5 records stored.");
    EXPECT_EQ(data.read("ap.txt"), "0011223344b1\t1\t0\t\tStop\t0\r\n");
    EXPECT_EQ(settings::read(settings, settings::UploadNeeded), 0);
}

// Whatever does not end in the server's acceptance leaves every local record and
// the flag as they were.
TEST_F(UploadDialogTest, RefusalsAndForeignRepliesKeepEverythingLocal) {
    struct Case {
        const char* name;
        const wchar_t* user;
        const wchar_t* password;
        bool signInPage;
        std::wstring status;
    };
    const Case cases[] = {
        {"wrong password", L"demo", L"guess", false,
         L"Nearbeam server did not accept the upload. Unknown user name or wrong password."},
        {"sign-in page", L"demo", L"secret", true, kBadResponse},
        {"no user name", L"", L"secret", false, L"Ready"},
    };
    for (const Case& c : cases) {
        Misbehaviour misbehaviour;
        misbehaviour.signInPage = c.signInPage;
        server->setMisbehaviour(misbehaviour);
        std::wstring status, secondButton;
        ASSERT_TRUE(runDialog([&](HWND dialog) {
            SetDlgItemTextW(dialog, IDC_UPLOAD_USERNAME, c.user);
            SetDlgItemTextW(dialog, IDC_UPLOAD_PASSWORD, c.password);
            upload(dialog);
            status = text(dialog, IDC_UPLOAD_STATUS);
            secondButton = text(dialog, IDCANCEL);
        })) << c.name;
        EXPECT_EQ(status, c.status) << c.name;
        EXPECT_EQ(secondButton, L"Close") << c.name;
        EXPECT_TRUE(localRecordsKept()) << c.name;
        // What was typed is remembered even though the upload did not go through.
        EXPECT_EQ(settings::read(settings, settings::Username), c.user) << c.name;
        EXPECT_EQ(passwords.read(), c.password) << c.name;
    }
}

TEST_F(UploadDialogTest, PrivateModeSendsNothingAndAPlainRemoteServerIsWarnedOf) {
    settings::write(settings, settings::PrivateMode, 1);
    bool warned = true;
    std::wstring status;
    ASSERT_TRUE(runDialog([&](HWND dialog) {
        warned = visible(dialog, IDC_UPLOAD_CLEAR);
        upload(dialog);
        waitUntil([&] { return text(dialog, IDC_UPLOAD_STATUS) != L"Ready"; });
        status = text(dialog, IDC_UPLOAD_STATUS);
    }));
    EXPECT_FALSE(warned); // the server is on this computer
    EXPECT_EQ(status, L"Private mode is on: nothing leaves this computer.");
    EXPECT_TRUE(bodies.empty());
    EXPECT_TRUE(localRecordsKept());

    settings::write(settings, settings::Server, L"map.example");
    ASSERT_TRUE(runDialog([&](HWND dialog) { warned = visible(dialog, IDC_UPLOAD_CLEAR); }));
    EXPECT_TRUE(warned);
}

// An access point placed in the wizard over the demo data, uploaded from the
// dialog, and back in the files under the server's identifiers.
class PlaceAndUpload : public UploadDialogTest {
  protected:
    void SetUp() override {
        copyDemoData(data);
        copyDemoData(serverDir); // the places the demo data came from
        startServer();
        database.openDatabase(data.folder());
    }
    // A demo data file as shipped, with these lines after it.
    static std::string demoWith(const std::string& name, const std::string& lines = {}) {
        std::ifstream in(demoDataFolder() / name, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {}) + lines;
    }

    SetLocationContext wizard{GetModuleHandleW(nullptr), database};
};

TEST_F(PlaceAndUpload, TheBusStopPlacedInTheWizardComesBackUnderTheServersIdentifiers) {
    LocationRecord* seen = nullptr; // the library was the last place seen
    database.lookUpLocation(*BssidKey::fromText("001a1e4c1001"), &seen);
    ASSERT_TRUE(openSetLocationWizard(wizard, *BssidKey::fromText("0c8112aa0001")));
    HWND frame = setLocationWindow(wizard);
    press(shownPage(frame), IDC_WIZARD_NEXT); // the Area page, filled from the library
    HWND building = shownPage(frame);
    type(building, IDC_WIZARD_BUILDING, L"Campus Square bus stop");
    type(building, IDC_WIZARD_STREET, L"Campus Square");
    type(building, IDC_WIZARD_LOCATION, L"Shelter");
    press(building, IDC_WIZARD_FINISH);
    ASSERT_EQ(setLocationWindow(wizard), nullptr);
    EXPECT_EQ(data.read("building.txt"),
              demoWith("building.txt",
                       "4294967295\t31\t21\tCampus Square bus stop\tCampus Square\t3\r\n"));
    EXPECT_EQ(data.read("ap.txt"),
              demoWith("ap.txt", "0c8112aa0001\t4294967295\t0\t\tShelter\t3\r\n"));
    EXPECT_EQ(settings::read(settings, settings::UploadNeeded), 1);

    std::wstring status;
    ASSERT_TRUE(runDialog([&](HWND dialog) {
        upload(dialog);
        status = text(dialog, IDC_UPLOAD_STATUS);
    }));
    EXPECT_EQ(status, L"Upload successful! Thank you, demo: 2 records stored.");
    {
        std::lock_guard<std::mutex> lock(mutex);
        ASSERT_EQ(bodies.size(), 1u);
        EXPECT_EQ(bodies[0],
                  "- login\ndemo\n79a7c5b3bb1f4438b2eaaaf08c0ae4de\n"
                  "- buildings\n4294967295\t31\t21\tCampus Square bus stop\tCampus Square\t3\n"
                  "- aps\n0c8112aa0001\t4294967295\t0\t\tShelter\t3\n"
                  "- end\n");
    }
    EXPECT_EQ(data.read("building.txt"),
              demoWith("building.txt", "44\t31\t21\tCampus Square bus stop\tCampus Square\t0\r\n"));
    EXPECT_EQ(data.read("ap.txt"), demoWith("ap.txt", "0c8112aa0001\t44\t0\t\tShelter\t0\r\n"));
    for (const char* name : {"country.txt", "province.txt", "city.txt", "area.txt"})
        EXPECT_EQ(data.read(name), demoWith(name)) << name;
    EXPECT_EQ(settings::read(settings, settings::UploadNeeded), 0);
}

} // namespace
} // namespace nearbeam::test
