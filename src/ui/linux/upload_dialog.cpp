#include "ui/linux/upload_dialog.h"

#include "base/settings_keys.h"
#include "ui/linux/message_box.h"
#include "ui/linux/qt_text.h"
#include "ui/linux/widgets.h"
#include "ui/upload_summary.h"

#include <QApplication>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace nearbeam {
namespace {

const QString kCaption = QStringLiteral("Nearbeam Upload");
// The fields hold at most this many characters.
constexpr int kFieldLength = 31;

QLineEdit* makeField(const char* name) {
    auto* field = new QLineEdit;
    field->setObjectName(name);
    field->setMaxLength(kFieldLength);
    return field;
}

} // namespace

UploadDialog::UploadDialog(UploadDialogContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setWindowTitle(kCaption);
    auto* layout = new QVBoxLayout(this);
    // What goes up, and where, before the user presses Upload.
    auto* intro = new QLabel(qtText(uploadSummaryText(context_.uploader.summary())));
    intro->setObjectName("summary");
    intro->setTextFormat(Qt::PlainText);
    intro->setWordWrap(true);
    layout->addWidget(intro);

    auto* fields = new QGridLayout;
    user_ = makeField("username");
    password_ = makeField("password");
    password_->setEchoMode(QLineEdit::Password);
    fields->addWidget(new QLabel(QStringLiteral("Username:")), 0, 0, Qt::AlignRight);
    fields->addWidget(user_, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("Password:")), 1, 0, Qt::AlignRight);
    fields->addWidget(password_, 1, 1);
    layout->addLayout(fields);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    upload_ = makeButton(QStringLiteral("Upload"), "upload");
    upload_->setDefault(true);
    close_ = makeButton(QStringLiteral("Cancel"), "close");
    buttons->addWidget(upload_);
    buttons->addWidget(close_);
    layout->addLayout(buttons);

    auto* statusRow = new QHBoxLayout;
    statusRow->addWidget(new QLabel(QStringLiteral("Status:")), 0, Qt::AlignTop);
    status_ = new QLabel(QStringLiteral("Ready"));
    status_->setObjectName("status");
    status_->setTextFormat(Qt::PlainText);
    status_->setWordWrap(true);
    status_->setMinimumHeight(status_->fontMetrics().lineSpacing() * 2);
    status_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    statusRow->addWidget(status_, 1);
    layout->addLayout(statusRow);
    auto* clear = new QLabel(qtText(std::wstring(Uploader::kInTheClearText)));
    clear->setObjectName("clear");
    clear->setWordWrap(true);
    clear->setVisible(
        Uploader::loginInTheClear(settings::read(context_.settings, settings::Server)));
    layout->addWidget(clear);

    hint_ = new QLabel(QStringLiteral("You may close this window while the upload is in progress; "
                                      "it will proceed in the background."));
    hint_->setObjectName("hint");
    hint_->setWordWrap(true);
    // The hint keeps its room while hidden, so the dialog does not jump.
    QSizePolicy keepRoom = hint_->sizePolicy();
    keepRoom.setRetainSizeWhenHidden(true);
    hint_->setSizePolicy(keepRoom);
    hint_->hide();
    layout->addWidget(hint_);
    unkept_ = new QLabel(QStringLiteral(
        "Your password is not kept: the desktop's secret service is not available."));
    unkept_->setObjectName("unkept");
    unkept_->setWordWrap(true);
    unkept_->hide();
    layout->addWidget(unkept_);
    setMinimumWidth(320);

    user_->setText(qtText(settings::read(context_.settings, settings::Username)));
    password_->setText(qtText(context_.passwords.read()));

    connect(upload_, &QPushButton::clicked, this, &UploadDialog::accept);
    connect(close_, &QPushButton::clicked, this, &UploadDialog::reject);
}

UploadDialog::~UploadDialog() {
    // Closing detached it already (and the uploader may be gone by the time a
    // closed dialog is deleted); a dialog deleted while open detaches here.
    if (attached_)
        context_.uploader.detachDialog();
}

void UploadDialog::setReady(bool ready) {
    user_->setEnabled(ready);
    password_->setEnabled(ready);
    upload_->setEnabled(ready);
    hint_->setVisible(!ready);
}

void UploadDialog::accept() {
    // Enter while an upload runs does nothing.
    if (!upload_->isEnabled())
        return;
    const std::wstring user = wideText(user_->text());
    const std::wstring password = wideText(password_->text());
    close_->setFocus();
    setReady(false);
    // Stored first, so they are remembered even when the upload fails.
    settings::write(context_.settings, settings::Username, user);
    unkept_->setVisible(!context_.passwords.write(password));
    attached_ = true;
    const bool started = context_.uploader.startUpload(this);
    close_->setText(QStringLiteral("Close"));
    if (!started)
        setReady(true);
}

void UploadDialog::done(int result) {
    // A running upload goes on and reports by message box from now on; a result
    // that arrived while the dialog closed is shown that way too.
    if (attached_) {
        attached_ = false;
        if (auto unshown = context_.uploader.detachDialog())
            showUploadResult(*unshown);
    }
    QDialog::done(result);
}

void UploadDialog::showStatus(const std::wstring&) {
    QMetaObject::invokeMethod(
        this, [this] { status_->setText(qtText(context_.uploader.takeStatus())); },
        Qt::QueuedConnection);
}

void UploadDialog::uploadEnded() {
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (!context_.uploader.busy())
                setReady(true);
        },
        Qt::QueuedConnection);
}

void openUploadDialog(UploadDialogContext& context, QWidget* parent) {
    openOrRaise(context.open, [&] { return new UploadDialog(context, parent); });
}

void showUploadResult(const std::wstring& text) {
    QMetaObject::invokeMethod(
        qApp, [text] { showMessageLater(kCaption, qtText(text)); }, Qt::QueuedConnection);
}

} // namespace nearbeam
