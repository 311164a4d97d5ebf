#pragma once
// The subscription dialog, "Nearbeam Subscription": the user chooses whether and
// where a service may be told the place.

#include "database/location_database.h"
#include "services/subscription_list.h"

#include <QDialog>

#include <string>

class QRadioButton;

namespace nearbeam {

struct SubscribeContext {
    SubscriptionList& subscriptions;
    LocationDatabase& database; // its area and building tables' current records
};

class SubscribeDialog : public QDialog {
    Q_OBJECT
  public:
    SubscribeDialog(const SubscribeContext& context, const std::wstring& url,
                    QWidget* parent = nullptr);

    // OK: "Always", "Only when I am within ..." and "Only when I am in ..." store
    // the subscription; "Never" or no choice store nothing. Escape and the close
    // button store nothing either.
    void accept() override;
    // Whether the user answered (OK, Escape or the close button), rather than the
    // program ending while the offer was shown.
    bool answered() const { return answered_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    const SubscribeContext& context_;
    std::wstring url_;
    // The places offered, taken when the dialog opens; 0 for none.
    uint32_t areaId_ = 0;
    uint32_t buildingId_ = 0;
    QRadioButton* always_ = nullptr;
    QRadioButton* area_ = nullptr;
    QRadioButton* building_ = nullptr;
    bool answered_ = false;
};

// Offers one service's URL in a modal dialog over parent and returns when it is
// answered. False when the offer was cut short (the program ended while it was
// shown), so that the offer is kept for the next time.
bool offerSubscription(const SubscribeContext& context, const std::wstring& url, QWidget* parent);

} // namespace nearbeam
