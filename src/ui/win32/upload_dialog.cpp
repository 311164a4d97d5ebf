#include "ui/win32/upload_dialog.h"

#include "base/settings_keys.h"
#include "resource.h"
#include "ui/upload_summary.h"
#include "ui/win32/controls.h"
#include "ui/win32/messages.h"
#include "ui/win32/modal_dialog.h"

#include <optional>
#include <thread>

namespace nearbeam {
namespace {

constexpr const wchar_t* kCaption = L"Nearbeam Upload";
// The fields take at most this many typed characters.
constexpr int kFieldLength = 31;

// The uploader's worker reaches the dialog only by posted messages: it never
// waits for the dialog's thread.
class PostingLink : public UploadDialogLink {
  public:
    explicit PostingLink(HWND dialog) : dialog_(dialog) {}
    void showStatus(const std::wstring&) override {
        PostMessageW(dialog_, message::UploadStatus, 0, 0);
    }
    void uploadEnded() override { PostMessageW(dialog_, message::UploadEnded, 0, 0); }

  private:
    HWND dialog_;
};

struct DialogState {
    UploadDialogContext& context;
    std::optional<PostingLink> link;
    // A result the dialog was told of but closed before showing.
    std::optional<std::wstring> unshown;
};

void setReady(HWND dialog, bool ready) {
    EnableWindow(GetDlgItem(dialog, IDC_UPLOAD_USERNAME), ready);
    EnableWindow(GetDlgItem(dialog, IDC_UPLOAD_PASSWORD), ready);
    EnableWindow(GetDlgItem(dialog, IDOK), ready);
    ShowWindow(GetDlgItem(dialog, IDC_UPLOAD_HINT), ready ? SW_HIDE : SW_SHOW);
}

void onInit(HWND dialog, DialogState& state) {
    state.link.emplace(dialog);
    setFieldText(dialog, IDC_UPLOAD_USERNAME,
                 settings::read(state.context.settings, settings::Username));
    setFieldText(dialog, IDC_UPLOAD_PASSWORD, state.context.passwords.read());
    limitField(dialog, IDC_UPLOAD_USERNAME, kFieldLength);
    limitField(dialog, IDC_UPLOAD_PASSWORD, kFieldLength);
    setFieldText(dialog, IDC_UPLOAD_SUMMARY, uploadSummaryText(state.context.uploader.summary()));
    const bool clear =
        Uploader::loginInTheClear(settings::read(state.context.settings, settings::Server));
    ShowWindow(GetDlgItem(dialog, IDC_UPLOAD_CLEAR), clear ? SW_SHOW : SW_HIDE);
}

void onUpload(HWND dialog, DialogState& state) {
    // Enter on a dialog whose Upload button is disabled does nothing.
    if (!IsWindowEnabled(GetDlgItem(dialog, IDOK)))
        return;
    const std::wstring user = fieldText(dialog, IDC_UPLOAD_USERNAME);
    const std::wstring password = fieldText(dialog, IDC_UPLOAD_PASSWORD);
    SendMessageW(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDCANCEL)),
                 TRUE);
    setReady(dialog, false);
    // Stored first, so they are remembered even when the upload fails.
    settings::write(state.context.settings, settings::Username, user);
    state.context.passwords.write(password);
    const bool started = state.context.uploader.startUpload(&*state.link);
    setFieldText(dialog, IDCANCEL, L"Close");
    if (!started)
        setReady(dialog, true);
}

INT_PTR onMessage(HWND dialog, DialogState& state, UINT message) {
    switch (message) {
    case message::UploadStatus:
        setFieldText(dialog, IDC_UPLOAD_STATUS, state.context.uploader.takeStatus());
        return TRUE;
    case message::UploadEnded:
        if (!state.context.uploader.busy())
            setReady(dialog, true);
        return TRUE;
    case WM_DESTROY:
        // A running upload goes on and reports by message box from now on.
        state.unshown = state.context.uploader.detachDialog();
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

bool openUploadDialog(HINSTANCE instance, HWND owner, UploadDialogContext& context) {
    if (bringForwardIfOpen(context.open))
        return true;
    DialogState state{context, std::nullopt, std::nullopt};
    DialogHandlers handlers;
    handlers.failure = L"Error creating upload dialog";
    handlers.open = &context.open;
    handlers.init = [&state](HWND dialog) { onInit(dialog, state); };
    handlers.command = [&state](HWND dialog, int id, int) {
        if (id == IDOK)
            onUpload(dialog, state);
        else if (id == IDCANCEL)
            EndDialog(dialog, 0);
    };
    handlers.message = [&state](HWND dialog, UINT message, WPARAM, LPARAM) {
        return onMessage(dialog, state, message);
    };
    if (!runDialog(instance, owner, IDD_UPLOAD, handlers))
        return false;
    if (state.unshown)
        MessageBoxW(nullptr, state.unshown->c_str(), kCaption, MB_OK);
    return true;
}

void showUploadResult(const std::wstring& text) {
    std::thread([text] { MessageBoxW(nullptr, text.c_str(), kCaption, MB_OK); }).detach();
}

} // namespace nearbeam
