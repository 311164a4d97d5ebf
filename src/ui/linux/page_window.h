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

  protected:
    // A clicked link; by default only web and mail links, to the desktop's opener.
    virtual void onLink(const QUrl& url);
    // Hands an http, https or mailto link to opener (empty: the desktop's opener);
    // nothing else is opened.
    static void openOutside(const QUrl& url,
                            const std::function<void(const std::wstring& link)>& opener = {});

  private:
    QTextBrowser* browser_;
};

} // namespace nearbeam
