#pragma once
// A window that shows a page the core built, in a text browser that follows no
// link itself: every click comes to the window (onLink), which decides. Web and
// mail links go to the user's browser; nothing else is opened. Escape and Ctrl+W
// close it. The pages' images are the program's own (res/images).

#include <QMainWindow>
#include <QTextBrowser>
#include <QUrl>

#include <functional>
#include <string>

namespace nearbeam {

class PageWindow : public QMainWindow {
    Q_OBJECT
  public:
    explicit PageWindow(const QString& title);

    // Replaces the page, keeping the reader's place in it.
    void setPage(const std::string& html);
    // Brings the window up and to the front, a minimised one back first.
    void present();
    // Whether Escape and Ctrl+W close the window (a main window keeps them off).
    void setClosedByKeys(bool closed) { closedByKeys_ = closed; }

    QTextBrowser& browser() { return *browser_; }

  protected:
    void keyPressEvent(QKeyEvent* event) override;
    // A clicked link; by default only web and mail links, to the desktop's opener.
    virtual void onLink(const QUrl& url);
    // Hands an http, https or mailto link to opener (empty: the desktop's opener);
    // nothing else is opened.
    static void openOutside(const QUrl& url,
                            const std::function<void(const std::wstring& link)>& opener = {});

  private:
    QTextBrowser* browser_;
    bool closedByKeys_ = true;
};

} // namespace nearbeam
