#pragma once
// The upload dialog, "Nearbeam Upload": asks for the account on the location
// server, remembers it (the user name in the settings, the password in the
// password store), starts the upload and shows its progress and result in its
// status line. Closed during an upload, the upload goes on and its result comes
// in a message box.

#include "base/password_store.h"
#include "base/settings_store.h"
#include "net/uploader.h"

#include <QDialog>
#include <QPointer>

#include <string>

class QLabel;
class QLineEdit;
class QPushButton;

namespace nearbeam {

class UploadDialog;

struct UploadDialogContext {
    Uploader& uploader;
    SettingsStore& settings;     // Username, UploadNeeded
    PasswordStore& passwords;    // Password
    QPointer<UploadDialog> open; // the dialog while it is open
};

class UploadDialog : public QDialog, private UploadDialogLink {
    Q_OBJECT
  public:
    explicit UploadDialog(UploadDialogContext& context, QWidget* parent = nullptr);
    ~UploadDialog() override;

    void accept() override; // Upload, or Enter
    void done(int result) override;

  private:
    // Called on the web agent's thread: both only post to the dialog's thread.
    void showStatus(const std::wstring& text) override;
    void uploadEnded() override;
    void setReady(bool ready);

    UploadDialogContext& context_;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QPushButton* upload_ = nullptr;
    QPushButton* close_ = nullptr;
    QLabel* status_ = nullptr;
    QLabel* hint_ = nullptr;
    QLabel* unkept_ = nullptr;
    bool attached_ = false; // the uploader may call this dialog
};

// Opens the dialog (a dialog already open is brought forward instead). Returns at
// once. Whoever calls it has made sure that something waits for upload.
void openUploadDialog(UploadDialogContext& context, QWidget* parent);

// The message box of a result no dialog shows, captioned "Nearbeam Upload". May be
// called on any thread: the box is shown on the user-interface thread and the
// caller does not wait for it.
void showUploadResult(const std::wstring& text);

} // namespace nearbeam
