#pragma once
// The Scanner, "WiFi Scanner": the access points in range as a page, refreshed on
// a timer of its own while the window is open. A click on a row opens that access
// point's page; the menus set the update speed, active scanning and the details
// shown, all remembered.

#include "base/settings_keys.h"
#include "ui/linux/page_window.h"
#include "ui/scanner_model.h"

#include <QTimer>

#include <functional>
#include <memory>
#include <string>

class QAction;

namespace nearbeam {

class ScannerWindow : public PageWindow {
    Q_OBJECT
  public:
    explicit ScannerWindow(ScannerContext context);

    // Opens the window with the remembered choices and a fresh table, or brings
    // the open one forward.
    void open();
    // One refresh of the table and the page (the timer's).
    void refresh();

    ScannerContext& context() { return context_; }
    int intervalMs() const { return intervalMs_; }

  protected:
    void onLink(const QUrl& url) override;
    void closeEvent(QCloseEvent* event) override;

  private:
    QAction* addToggle(QMenu* menu, const QString& text, const settings::NumberSetting& setting,
                       bool& value);
    void setSpeed(int milliseconds);

    ScannerContext context_;
    QTimer timer_;
    std::unique_ptr<ScannerModel> model_;
    int32_t intervalMs_ = 5000;
    bool activeScan_ = true;
    ScannerView view_;
    std::vector<std::pair<QAction*, int>> speeds_;
    std::vector<std::pair<QAction*, const settings::NumberSetting*>> toggles_;
};

} // namespace nearbeam
