#include "ui/linux/message_box.h"

namespace nearbeam {
namespace {

QMessageBox* makeBox(QWidget* parent, const QString& caption, const QString& text,
                     bool withCancel) {
    auto* box = new QMessageBox(parent);
    box->setWindowTitle(caption);
    box->setTextFormat(Qt::PlainText);
    box->setText(text);
    box->setStandardButtons(withCancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok);
    box->setDefaultButton(QMessageBox::Ok);
    return box;
}

} // namespace

bool askOk(QWidget* parent, const QString& caption, const QString& text, bool withCancel) {
    QMessageBox* box = makeBox(parent, caption, text, withCancel);
    const bool ok = box->exec() == QMessageBox::Ok;
    delete box;
    return ok;
}

bool askYes(QWidget* parent, const QString& caption, const QString& text) {
    QMessageBox* box = makeBox(parent, caption, text, false);
    box->setIcon(QMessageBox::Question);
    box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
    box->setDefaultButton(QMessageBox::No);
    const bool yes = box->exec() == QMessageBox::Yes;
    delete box;
    return yes;
}

void showMessageLater(const QString& caption, const QString& text) {
    QMessageBox* box = makeBox(nullptr, caption, text, false);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->show();
}

} // namespace nearbeam
