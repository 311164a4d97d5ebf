// Subscriptions from the outside: another program offers a service through
// new-subscriptions.txt, the user agrees in the subscription dialog, a change of
// place reaches the service (the location server's demo service) and its answer
// shows as an alert; the Options dialog lists the subscription and deletes it.

#include "app_program.h"
#include "resource.h"
#include "support/loopback_server.h"

#include <commctrl.h>

namespace nearbeam::test {
namespace {

// A visible dialog of the process with this caption, waiting for it a while.
HWND findDialog(DWORD process, const wchar_t* caption) {
    HWND shown = nullptr;
    Program::waitUntil([&] {
        HWND found = nullptr;
        while ((found = FindWindowExW(nullptr, found, L"#32770", caption))) {
            DWORD owner = 0;
            GetWindowThreadProcessId(found, &owner);
            if (owner == process && IsWindowVisible(found))
                shown = found;
        }
        return shown != nullptr;
    });
    return shown;
}

std::wstring text(HWND dialog, int control) {
    wchar_t buffer[512] = {};
    GetDlgItemTextW(dialog, control, buffer, 512);
    return buffer;
}

// Waits for a window to be gone.
bool closes(HWND window) {
    return Program::waitUntil([&] { return !IsWindow(window); });
}

// List view messages carry pointers: they must point into the program's memory.
class RemoteListView {
  public:
    RemoteListView(HWND list, DWORD process) : list_(list) {
        process_ =
            OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_READ | PROCESS_VM_WRITE, FALSE, process);
        if (process_)
            memory_ = static_cast<char*>(
                VirtualAllocEx(process_, nullptr, 4096, MEM_COMMIT, PAGE_READWRITE));
    }
    ~RemoteListView() {
        if (memory_)
            VirtualFreeEx(process_, memory_, 0, MEM_RELEASE);
        if (process_)
            CloseHandle(process_);
    }
    int count() const { return static_cast<int>(SendMessageW(list_, LVM_GETITEMCOUNT, 0, 0)); }
    std::wstring cell(int row, int column) {
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = reinterpret_cast<wchar_t*>(memory_ + sizeof item);
        item.cchTextMax = 1000;
        WriteProcessMemory(process_, memory_, &item, sizeof item, nullptr);
        SendMessageW(list_, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(memory_));
        wchar_t buffer[1000] = {};
        ReadProcessMemory(process_, memory_ + sizeof item, buffer, sizeof buffer - 2, nullptr);
        return buffer;
    }
    void select(int row) {
        LVITEMW item{};
        item.stateMask = item.state = LVIS_SELECTED | LVIS_FOCUSED;
        WriteProcessMemory(process_, memory_, &item, sizeof item, nullptr);
        SendMessageW(list_, LVM_SETITEMSTATE, row, reinterpret_cast<LPARAM>(memory_));
    }

  private:
    HWND list_;
    HANDLE process_ = nullptr;
    char* memory_ = nullptr;
};

DWORD registryNumber(const wchar_t* key, const wchar_t* name) {
    DWORD value = 0xFFFF, size = sizeof value;
    RegGetValueW(HKEY_CURRENT_USER, key, name, RRF_RT_REG_DWORD, nullptr, &value, &size);
    return value;
}

void setRegistryNumber(const wchar_t* key, const wchar_t* name, DWORD value) {
    RegSetKeyValueW(HKEY_CURRENT_USER, key, name, REG_DWORD, &value, sizeof value);
}

class Subscriptions : public ::testing::Test {
  protected:
    void SetUp() override {
        freshProfile();
        LoopbackServer::Options options;
        options.folder = records.folder();
        server = std::make_unique<LoopbackServer>(options);
        ASSERT_TRUE(server->start());
        url = "http://" + server->hostAndPort() + "/notify?building={building}";
        program.data("city.txt", "3\t0\tBergen\t0\n");
        program.data("area.txt", "20\t3\tCampus\t0\n");
        program.data("building.txt", "10\t20\t3\tLibrary\t\t0\n11\t20\t3\tHall\t\t0\n");
        program.data("ap.txt", "0011223344a1\t10\t0\t\t\t0\n0011223344b1\t11\t0\t\t\t0\n");
        // At the library from the start, in the hall after four seconds (time
        // enough on a busy machine for the offer).
        program.scenario("at 0\nap 00:11:22:33:44:a1 -40 2412000 infra open \"\"\n"
                         "at 4\nap 00:11:22:33:44:b1 -40 2412000 infra open \"\"\n");
    }

    // Starts the program and waits for the subscription dialog it shows at once.
    HWND startWithOffer() {
        program.data("new-subscriptions.txt", url + "\n");
        if (!program.start() || !program.window())
            return nullptr;
        GetWindowThreadProcessId(program.window(), &process);
        return findDialog(process, L"Nearbeam Subscription");
    }

    TempDir records;
    std::unique_ptr<LoopbackServer> server;
    std::string url;
    Program program;
    DWORD process = 0;
};

TEST_F(Subscriptions, AnOfferAgreedToIsHeardListedAndDeleted) {
    setRegistryNumber(L"Software\\Nearbeam\\APDB", L"UploadNeeded", 1);
    HWND offer = startWithOffer();
    ASSERT_NE(offer, nullptr);
    EXPECT_EQ(text(offer, IDC_SUBSCRIBE_URL), std::wstring(url.begin(), url.end()));
    // The first tick found the library in the campus.
    EXPECT_EQ(text(offer, IDC_SUBSCRIBE_AREA), L"Only when I am within Campus");
    EXPECT_EQ(text(offer, IDC_SUBSCRIBE_BUILDING), L"Only when I am in Library");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(offer, IDC_SUBSCRIBE_BUILDING)));
    // Escape, the close box and OK with nothing chosen leave it open.
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(offer, IDOK)));
    SendMessageW(offer, WM_COMMAND, IDCANCEL, 0);
    SendMessageW(offer, WM_CLOSE, 0, 0);
    SendMessageW(offer, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(IsWindowVisible(offer));
    SendDlgItemMessageW(offer, IDC_SUBSCRIBE_ALWAYS, BM_SETCHECK, BST_CHECKED, 0);
    PostMessageW(offer, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(closes(offer));
    const std::string line = "0\t0\t" + url + "\t-\r\n";
    EXPECT_TRUE(Program::waitUntil([&] { return !program.exists("data/new-subscriptions.txt"); }));
    EXPECT_EQ(program.read("data/subscriptions.txt"), line);

    // In the hall the service is told so, and answers with a message.
    ASSERT_TRUE(program.waitForScenarioSecond(4));
    auto serviceAlerts = [&] {
        std::vector<TraceLine> found;
        for (const TraceLine& alert : program.trace("alert")) {
            if (alert.size() > 1 && alert[1] == "Nearbeam Subscription")
                found.push_back(alert);
        }
        return found;
    };
    ASSERT_TRUE(Program::waitUntil([&] {
        if (!serviceAlerts().empty())
            return true;
        Program::sleep(100);
        return !program.tick(); // a tick not traced ends the wait, and the check below fails
    }));
    const std::string link = "http://" + server->hostAndPort() + "/notify?building=Hall";
    EXPECT_EQ(serviceAlerts(), (std::vector<TraceLine>{
                                   {"alert", "Nearbeam Subscription", "Welcome to Hall.", link}}));

    PostMessageW(program.window(), WM_COMMAND, IDM_OPTIONS, 0);
    HWND options = findDialog(process, L"Nearbeam Options");
    ASSERT_NE(options, nullptr);
    EXPECT_EQ(SendDlgItemMessageW(options, IDC_OPTIONS_ADAPTER, CB_GETCURSEL, 0, 0), 0);
    RemoteListView list(GetDlgItem(options, IDC_OPTIONS_SUBSCRIPTIONS), process);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.cell(0, 1), L"Everywhere");
    EXPECT_EQ(list.cell(0, 2), std::wstring(url.begin(), url.end()));
    // What the service was told is in the sharing history, newest first.
    EXPECT_NE(program.read("data/sharing.txt").find("\t" + link + "\r\n"), std::string::npos);
    PostMessageW(options, WM_COMMAND, IDC_OPTIONS_SHARING, 0);
    HWND history = nullptr;
    Program::waitUntil([&] { return (history = FindWindowW(L"dlgSharing", L"Sharing History")); });
    ASSERT_NE(history, nullptr);
    auto shown = [&] {
        return program.read("nearbeam.exe-temp.html").find("notify?building=Hall") !=
               std::string::npos;
    };
    EXPECT_TRUE(Program::waitUntil(shown));
    PostMessageW(history, WM_CLOSE, 0, 0);

    list.select(0);
    SendMessageW(options, WM_COMMAND, IDC_OPTIONS_DELETE, 0);
    EXPECT_EQ(list.count(), 0);
    EXPECT_EQ(program.read("data/subscriptions.txt"), "");

    // An upload is pending: clearing asks first; Cancel keeps the cache.
    PostMessageW(options, WM_COMMAND, IDC_OPTIONS_CLEAR_CACHE, 0);
    HWND question = findDialog(process, L"Nearbeam");
    ASSERT_NE(question, nullptr);
    EXPECT_NE(text(question, 0xFFFF).find(L"There is data waiting to be uploaded."),
              std::wstring::npos);
    PostMessageW(question, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(closes(question));
    // The box closes before the dialog has acted on the answer.
    ASSERT_TRUE(Program::settled(options));
    EXPECT_TRUE(program.exists("data/ap.txt"));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(options, IDC_OPTIONS_CLEAR_CACHE)));
    PostMessageW(options, WM_COMMAND, IDC_OPTIONS_CLEAR_CACHE, 0);
    question = findDialog(process, L"Nearbeam");
    ASSERT_NE(question, nullptr);
    PostMessageW(question, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(closes(question));
    ASSERT_TRUE(Program::settled(options));
    EXPECT_FALSE(program.exists("data/ap.txt"));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(options, IDC_OPTIONS_CLEAR_CACHE)));
    EXPECT_EQ(registryNumber(L"Software\\Nearbeam\\APDB", L"UploadNeeded"), 0u);

    // Cancel (Escape) closes it and leaves the alert setting as it was; OK applies it.
    SendDlgItemMessageW(options, IDC_OPTIONS_ALERTS, BM_SETCHECK, BST_UNCHECKED, 0);
    PostMessageW(options, WM_COMMAND, IDCANCEL, 0);
    ASSERT_TRUE(closes(options));
    EXPECT_NE(registryNumber(L"Software\\Nearbeam", L"LocationAlerts"), 0u);
    PostMessageW(program.window(), WM_COMMAND, IDM_OPTIONS, 0);
    options = findDialog(process, L"Nearbeam Options");
    ASSERT_NE(options, nullptr);
    SendDlgItemMessageW(options, IDC_OPTIONS_ALERTS, BM_SETCHECK, BST_UNCHECKED, 0);
    PostMessageW(options, WM_COMMAND, IDOK, 0);
    ASSERT_TRUE(closes(options));
    EXPECT_EQ(registryNumber(L"Software\\Nearbeam", L"LocationAlerts"), 0u);
}

} // namespace
} // namespace nearbeam::test
