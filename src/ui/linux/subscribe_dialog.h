#pragma once
// The subscription dialog, "Nearbeam Subscription": the user chooses whether and
// where a service may be told the place.

#include "ui/subscription_offer.h"

#include <QDialog>

#include <optional>
#include <string>

class QPushButton;
class QRadioButton;

namespace nearbeam {

class SubscribeDialog : public QDialog {
    Q_OBJECT
  public:
    SubscribeDialog(const SubscribeContext& context, const std::wstring& url,
                    QWidget* parent = nullptr);

    // OK (enabled once a choice is made): "Always", "Only when I am within ..."
    // and "Only when I am in ..." store the subscription; "Never" stores nothing.
    // Enter with nothing chosen does nothing. Escape and the close button store
    // nothing either.
    void accept() override;
    // Whether the user answered (OK, Escape or the close button), rather than the
    // program ending while the offer was shown.
    bool answered() const { return answered_; }

  protected:
    void closeEvent(QCloseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    std::optional<OfferChoice> choice() const;

    SubscriptionOffer offer_;
    QPushButton* ok_ = nullptr;
    QRadioButton* never_ = nullptr;
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
