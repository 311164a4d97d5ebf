#pragma once
// A window that shows a page the core built, in a text browser that follows no
// link itself: every click comes to the window (onLink), which decides. Web and
// mail links go to the user's browser; nothing else is opened.

#include <QMainWindow>
#include <QTextBrowser>
#include <QUrl>

#include <functional>
#include <string>

namespace nearbeam {

class PageWindow : public QMainWindow {
    Q_OBJECT
  public:
    // title: the window's; the page's relative images are found in imageFolder.
    PageWindow(const QString& title, const QString& imageFolder);

    // Replaces the page, keeping the reader's place in it.
    void setPage(const std::string& html);
    // Brings the window up and to the front.
    void present();

    QTextBrowser& browser() { return *browser_; }
    // Hands a web or mail link to the user's browser; empty: the desktop's opener.
    std::function<void(const std::wstring& link)> openLink;

  protected:
    // A clicked link; the default opens http, https and mailto links (openLink).
    virtual void onLink(const QUrl& url);
    void openOutside(const QUrl& url);

  private:
    QTextBrowser* browser_;
};

} // namespace nearbeam
