#include "ui/linux/page_window.h"

#include "base/text.h"
#include "ui/link_rule.h"
#include "ui/linux/widgets.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QScrollBar>

namespace nearbeam {

namespace {
constexpr int kWidth = 300; // about the Windows tool window's size
constexpr int kHeight = 420;
} // namespace

PageWindow::PageWindow(const QString& title) : browser_(new QTextBrowser(this)) {
    setWindowTitle(title);
    browser_->setOpenLinks(false);
    browser_->setOpenExternalLinks(false);
    browser_->setSearchPaths({QStringLiteral(":/images")});
    setCentralWidget(browser_);
    resize(kWidth, kHeight);
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) { onLink(url); });
}

void PageWindow::setPage(const std::string& html) {
    const int scrolled = browser_->verticalScrollBar()->value();
    // The pages are 8-bit, in the program's code page, as its data files.
    browser_->setHtml(QString::fromStdWString(widen(html)));
    browser_->verticalScrollBar()->setValue(scrolled);
}

void PageWindow::present() {
    show();
    bringForward(this);
}

void PageWindow::keyPressEvent(QKeyEvent* event) {
    // What the browser leaves: Escape, and Ctrl+W as in every desktop program.
    const bool closing = event->key() == Qt::Key_Escape ||
                         (event->key() == Qt::Key_W && event->modifiers() == Qt::ControlModifier);
    if (closing && closedByKeys_) {
        close();
        return;
    }
    QMainWindow::keyPressEvent(event);
}

void PageWindow::onLink(const QUrl& url) {
    openOutside(url);
}

void PageWindow::openOutside(const QUrl& url,
                             const std::function<void(const std::wstring& link)>& opener) {
    const std::wstring link = url.toString(QUrl::FullyEncoded).toStdWString();
    if (!mayOpenInShell(link))
        return;
    if (opener) {
        opener(link);
    } else {
        QDesktopServices::openUrl(url);
    }
}

} // namespace nearbeam
