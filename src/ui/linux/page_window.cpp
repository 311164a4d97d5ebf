#include "ui/linux/page_window.h"

#include "base/text.h"
#include "ui/link_rule.h"
#include "ui/linux/widgets.h"

#include <QDesktopServices>
#include <QImage>
#include <QKeyEvent>
#include <QScrollBar>

namespace nearbeam {

namespace {
constexpr int kWidth = 300; // about the Windows tool window's size
constexpr int kHeight = 420;

// The pages name their images as the Windows program's pages do ("wep.png");
// on a screen of higher density the image drawn at twice the size
// ("wep@2x.png") is taken where there is one, so the marks stay sharp.
class PageBrowser : public QTextBrowser {
  public:
    explicit PageBrowser(QWidget* parent) : QTextBrowser(parent) {}

    QVariant loadResource(int type, const QUrl& name) override {
        const QString file = name.path();
        if (type == QTextDocument::ImageResource && devicePixelRatioF() > 1.0 &&
            name.scheme().isEmpty() && file.endsWith(QLatin1String(".png"))) {
            QImage sharp(QStringLiteral(":/images/") + file.chopped(4) + QStringLiteral("@2x.png"));
            if (!sharp.isNull()) {
                sharp.setDevicePixelRatio(2.0);
                return sharp;
            }
        }
        return QTextBrowser::loadResource(type, name);
    }
};
} // namespace

PageWindow::PageWindow(const QString& title) : browser_(new PageBrowser(this)) {
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
