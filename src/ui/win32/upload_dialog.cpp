#include "ui/win32/upload_dialog.h"

#include "base/settings_keys.h"
#include "resource.h"
#include "ui/win32/tool_window.h"

#include <optional>
#include <thread>

namespace nearbeam {
namespace {

constexpr const wchar_t* kCaption = L"Nearbeam Upload";
// A new status text waits in the uploader.
constexpr UINT kStatusWaiting = WM_APP + 1;
// The uploader's end-of-upload message.
constexpr UINT kUploadEnded = WM_USER;
// The fields hold at most this many characters.
constexpr int kFieldLength = 31;

// The uploader's worker reaches the dialog only by posted messages: it never
// waits for the dialog's thread.
class PostingLink : public UploadDialogLink {
  public:
    explicit PostingLink(HWND dialog) : dialog_(dialog) {}
    void showStatus(const std::wstring&) override { PostMessageW(dialog_, kStatusWaiting, 0, 0); }
    void uploadEnded() override { PostMessageW(dialog_, kUploadEnded, 0, 0); }

  private:
    HWND dialog_;
};

struct DialogState {
    UploadDialogContext& context;
    std::optional<PostingLink> link;
    // A result the dialog was told of but closed before showing.
    std::optional<std::wstring> unshown;
};

std::wstring fieldText(HWND dialog, int id) {
    wchar_t text[kFieldLength + 1] = {};
    GetDlgItemTextW(dialog, id, text, kFieldLength + 1);
    return text;
}

void setReady(HWND dialog, bool ready) {
    EnableWindow(GetDlgItem(dialog, IDC_UPLOAD_USERNAME), ready);
    EnableWindow(GetDlgItem(dialog, IDC_UPLOAD_PASSWORD), ready);
    EnableWindow(GetDlgItem(dialog, IDOK), ready);
    ShowWindow(GetDlgItem(dialog, IDC_UPLOAD_HINT), ready ? SW_HIDE : SW_SHOW);
}

void onInit(HWND dialog, DialogState& state) {
    placeInCorner(dialog);
    const std::wstring user = settings::read(state.context.settings, settings::Username);
    const std::wstring password = state.context.passwords.read();
    SetDlgItemTextW(dialog, IDC_UPLOAD_USERNAME, user.c_str());
    SetDlgItemTextW(dialog, IDC_UPLOAD_PASSWORD, password.c_str());
    SendDlgItemMessageW(dialog, IDC_UPLOAD_USERNAME, EM_LIMITTEXT, kFieldLength, 0);
    SendDlgItemMessageW(dialog, IDC_UPLOAD_PASSWORD, EM_LIMITTEXT, kFieldLength, 0);
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
    SetDlgItemTextW(dialog, IDCANCEL, L"Close");
    if (!started)
        setReady(dialog, true);
}

INT_PTR CALLBACK dialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* state = reinterpret_cast<DialogState*>(lParam);
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        state->link.emplace(dialog);
        state->context.open = dialog;
        onInit(dialog, *state);
        return TRUE;
    }
    auto* state = reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!state)
        return FALSE;
    switch (message) {
    case WM_COMMAND:
        if (LOWORD(wParam) == IDOK) {
            onUpload(dialog, *state);
            return TRUE;
        }
        if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dialog, 0);
            return TRUE;
        }
        return FALSE;
    case kStatusWaiting:
        SetDlgItemTextW(dialog, IDC_UPLOAD_STATUS, state->context.uploader.takeStatus().c_str());
        return TRUE;
    case kUploadEnded:
        // The dialog manager asks for the default button with the same message
        // number: only the end of the upload makes the dialog ready again, and the
        // dialog manager still gets its answer.
        if (!state->context.uploader.busy())
            setReady(dialog, true);
        return FALSE;
    case WM_DESTROY:
        // A running upload goes on and reports by message box from now on.
        state->unshown = state->context.uploader.detachDialog();
        state->context.open = nullptr;
        return FALSE;
    default:
        return FALSE;
    }
}

} // namespace

bool openUploadDialog(HINSTANCE instance, HWND owner, UploadDialogContext& context) {
    if (context.open) {
        SetForegroundWindow(context.open);
        return true;
    }
    if (settings::read(context.settings, settings::UploadNeeded) == 0) {
        MessageBoxW(nullptr, L"There is nothing to upload.", L"Nearbeam", MB_OK);
        return true;
    }
    DialogState state{context, std::nullopt, std::nullopt};
    if (DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_UPLOAD), owner, dialogProcedure,
                        reinterpret_cast<LPARAM>(&state)) == -1) {
        showErrorBox(L"Error creating upload dialog", L"Internal Error", -1);
        return false;
    }
    if (state.unshown)
        MessageBoxW(nullptr, state.unshown->c_str(), kCaption, MB_OK);
    return true;
}

void showUploadResult(const std::wstring& text) {
    std::thread([text] { MessageBoxW(nullptr, text.c_str(), kCaption, MB_OK); }).detach();
}

} // namespace nearbeam
