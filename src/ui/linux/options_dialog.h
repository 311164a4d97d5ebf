#pragma once
// The Options dialog, "Nearbeam Options": the subscriptions with Delete and the
// sharing history, location alerts, the wireless adapter, starting at log-in,
// recalibration and clearing the data cache. Delete, recalibration and clearing
// take effect at once; OK applies the adapter, the alerts and the start at log-in;
// Escape and the close button leave those three as they were.

#include "base/linux/autostart.h"
#include "base/settings_store.h"
#include "locate/location_database.h"
#include "services/subscription_list.h"
#include "wireless/wireless_device.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <string>
#include <vector>

class QCheckBox;
class QComboBox;
class QPushButton;
class QTreeWidget;

namespace nearbeam {

class OptionsDialog;

struct OptionsContext {
    SettingsStore& settings;
    LocationDatabase& database;
    WirelessDevice& device;
    SubscriptionList& subscriptions;
    Autostart& autostart;
    // "Sharing history...": shows the log of what was sent to services.
    std::function<void()> sharingHistory = {};
    QPointer<OptionsDialog> open = {}; // the dialog while it is open
};

class OptionsDialog : public QDialog {
    Q_OBJECT
  public:
    explicit OptionsDialog(const OptionsContext& context, QWidget* parent = nullptr);

    void accept() override;

  private:
    void fillSubscriptions();
    void deleteSubscription();
    void recalibrate();
    void clearCache();

    const OptionsContext& context_;
    std::vector<std::wstring> adapters_; // the adapter list's items
    QTreeWidget* subscriptions_ = nullptr;
    QCheckBox* alerts_ = nullptr;
    QComboBox* adapter_ = nullptr;
    QCheckBox* logIn_ = nullptr;
    QPushButton* recalibrate_ = nullptr;
    QPushButton* clearCache_ = nullptr;
};

// Opens the dialog, modal to parent when there is one (a dialog already open is
// brought forward instead). Returns at once.
void openOptionsDialog(OptionsContext& context, QWidget* parent);

} // namespace nearbeam
