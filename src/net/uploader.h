#pragma once
// The upload: sends every record made on this computer (the lines of the six
// place files whose status is not 0, then the survey scans made here) to the
// location server in one POST, under
// the user name and a login token made from the password, and on acceptance
// replaces them by the server's copies and clears the upload-needed flag.
//
// The dialog that started an upload follows it through UploadDialogLink; without
// one, the result is handed to the message function given at construction.
//
// Wiring: construct it with the web agent, the database, the settings store (the
// `Username` and `Server` settings), the password store and the message function.
// Stop the web agent before this object goes: its callbacks refer to it.

#include "base/password_store.h"
#include "base/settings_store.h"
#include "net/web_agent.h"
#include "survey/scan_file.h"

#include <array>
#include <atomic>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace nearbeam {

class LocationDatabase;
class TextTable;

// What the upload dialog is told. Called on the web agent's worker thread, so
// both must return at once (post to the window, never wait for it).
class UploadDialogLink {
  public:
    virtual ~UploadDialogLink() = default;
    // A new status line text. The uploader keeps it too: a window that shows it
    // later, on its own thread, takes it with Uploader::takeStatus.
    virtual void showStatus(const std::wstring& text) = 0;
    // The upload has ended: the dialog returns to its ready state.
    virtual void uploadEnded() = 0;
};

class Uploader {
  public:
    static constexpr const char* kRequestKey = "upload";
    static constexpr const wchar_t* kUploadPath = L"/text/?action=location.uploadText";

    // Reply verdicts.
    static constexpr int32_t kResultNone = 0x8000;
    static constexpr int32_t kResultRefused = 0x300;
    static constexpr int32_t kResultBad = 0x900;

    static constexpr const wchar_t* kPrivateModeText =
        L"Private mode is on: nothing leaves this computer.";
    static constexpr const wchar_t* kInTheClearText =
        L"This map server does not encrypt: your login could be read on the way.";

    using MessageFunction = std::function<void(const std::wstring& text)>;

    // What an upload would send now.
    struct Summary {
        size_t places = 0;     // access points placed here (ap.txt lines)
        size_t records = 0;    // other records made or changed here (cities, buildings ...)
        size_t scans = 0;      // survey scans made here
        size_t unreadable = 0; // local lines that cannot be read: they stay here
        std::wstring server;   // the Server setting
    };

    Uploader(WebAgent& agent, LocationDatabase& database, SettingsStore& settings,
             PasswordStore& passwords, MessageFunction showMessage);

    // Queues the upload of every local record. False (nothing queued) when an
    // upload is already queued or running, the stored user name is empty, or
    // private mode is on (the dialog is told). The dialog, when given, is attached
    // unless an upload is running.
    bool startUpload(UploadDialogLink* dialog);
    // Forgets the dialog; results from then on go to the message function. Returns
    // a result the dialog was told of but has not taken yet, for the dialog to show.
    std::optional<std::wstring> detachDialog();
    // The latest status line text for the dialog.
    std::wstring takeStatus();
    bool busy() const { return busy_; }

    // Whether the login would cross the network readable: a Server setting of plain
    // HTTP to a host other than this computer.
    static bool loginInTheClear(const std::wstring& server);

    // The token the server checks: MD5 hex of "Nearbeam: " and the MD5 hex of the
    // password in Windows-1252 (what every account's digest was made from).
    static std::string makeLoginToken(const std::wstring& password);
    // The request body for this account and the local lines now in the files.
    std::string makeBody(const std::wstring& user, const std::wstring& password) const;
    Summary summary() const;

    // A result: to the dialog's status line, or without a dialog to the message
    // function.
    void report(const std::wstring& text);

    // What the web agent calls on its worker thread.
    void onProgress(WebProgress code);
    void onLine(std::string_view line);

  private:
    // The local lines of country, province, city, area, building and ap files, in
    // this order, each ending in LF.
    using LocalLines = std::array<std::string, 6>;
    std::array<TextTable*, 6> placeTables() const;
    LocalLines collectLocalLines() const;
    // Whether a local line of table i is the place of an access point that asked
    // not to be mapped: such lines stay on this computer.
    bool optedOut(size_t i, std::string_view line) const;
    // Whether a local line of table i reads as a record of its kind the server
    // can take (an access point's line: an address and a building). A damaged
    // line must not refuse every upload after it.
    static bool readable(size_t i, std::string_view line);
    // The local lines without those kept here and those that cannot be read
    // (counted in unreadable, when given).
    LocalLines sendable(const LocalLines& local, size_t* unreadable = nullptr) const;
    // The local scans, without the access points that asked not to be mapped.
    ScanFile::Upload collectScans() const;
    static std::string bodyOf(const std::wstring& user, const std::wstring& password,
                              const LocalLines& local, const std::string& scanLines);
    // After the purge: puts back the local lines that were not uploaded (saved
    // while the upload ran, or kept here). True when any of them still waits for
    // an upload.
    bool restoreUnsent(const LocalLines& before);

    // Sends a status text to the attached dialog; result says whether it is the
    // upload's result (which must not be lost when the dialog closes).
    bool toDialog(const std::wstring& text, bool result);
    void complete();
    void finish();

    WebAgent& agent_;
    LocationDatabase& database_;
    SettingsStore& settings_;
    PasswordStore& passwords_;
    MessageFunction showMessage_;

    std::atomic<bool> busy_{false};

    std::mutex dialogMutex_;
    UploadDialogLink* dialog_ = nullptr;
    std::wstring status_;
    bool resultUntaken_ = false;

    // Worker-thread state of the reply being read.
    int section_ = 0;
    int32_t result_ = kResultNone;
    std::string message_;
    bool accepted_ = false;
    bool ended_ = false;
    // Record lines with their section, stored when the reply is complete.
    std::vector<std::pair<int, std::string>> records_;
    // The server's copies of the scans, stored when the reply is complete.
    std::vector<std::string> scanCopies_;
    // The local lines and scans the body carries, and the lines left out unread.
    LocalLines sent_;
    size_t unreadable_ = 0;
    ScanFile::Upload sentScans_;
};

} // namespace nearbeam
