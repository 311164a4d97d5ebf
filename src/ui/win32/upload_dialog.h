#pragma once
// The upload dialog: asks for the account on the location server, remembers it,
// starts the upload and shows its progress and result in its status line. It is
// modal; closed during an upload, the upload goes on in the background and its
// result comes in a message box.

#include "base/password_store.h"
#include "base/settings_store.h"
#include "net/uploader.h"

#include <string>
#include <windows.h>

namespace nearbeam {

struct UploadDialogContext {
    Uploader& uploader;
    SettingsStore& settings;  // Username, UploadNeeded
    PasswordStore& passwords; // Password
    HWND open = nullptr;      // the dialog while it is open
};

// The dialog, modal over owner, until it is closed (a dialog already open is
// brought forward instead). Whoever calls it has made sure that something waits
// for upload. False only when the dialog could not be made; the user was told
// why.
bool openUploadDialog(HINSTANCE instance, HWND owner, UploadDialogContext& context);

// The message box of a result no dialog shows, captioned "Nearbeam Upload". It
// returns at once: the box runs on a thread of its own, so the web agent's other
// requests do not wait for the user to dismiss it.
void showUploadResult(const std::wstring& text);

} // namespace nearbeam
