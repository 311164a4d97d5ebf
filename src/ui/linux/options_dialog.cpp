#include "ui/linux/options_dialog.h"

#include "base/settings_keys.h"
#include "ui/linux/message_box.h"
#include "ui/linux/qt_text.h"
#include "ui/linux/widgets.h"
#include "ui/options_model.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace nearbeam {
namespace {

enum Column { KeyColumn, WhereColumn, UrlColumn };

} // namespace

OptionsDialog::OptionsDialog(const OptionsContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setWindowTitle(QStringLiteral("Nearbeam Options"));
    auto* layout = new QVBoxLayout(this);

    auto* subscriptionBox = new QGroupBox(QStringLiteral("Subscriptions"));
    auto* subscriptionLayout = new QVBoxLayout(subscriptionBox);
    subscriptions_ = new QTreeWidget;
    subscriptions_->setObjectName("subscriptions");
    subscriptions_->setHeaderLabels(
        {QStringLiteral("ID"), QStringLiteral("Where"), QStringLiteral("URL")});
    // The hidden first column holds the key Delete passes on.
    subscriptions_->setColumnHidden(KeyColumn, true);
    subscriptions_->setColumnWidth(WhereColumn, 190);
    subscriptions_->setRootIsDecorated(false);
    subscriptions_->setSelectionMode(QAbstractItemView::SingleSelection);
    subscriptions_->setSelectionBehavior(QAbstractItemView::SelectRows);
    subscriptions_->setMinimumSize(420, 120);
    // An address cut at its end hides what is sent: cut in the middle, whole in
    // the tooltip.
    subscriptions_->setTextElideMode(Qt::ElideMiddle);
    subscriptionLayout->addWidget(subscriptions_);
    auto* deleteRow = new QHBoxLayout;
    deleteRow->addStretch();
    QPushButton* sharing = makeButton(QStringLiteral("Sharing history..."), "sharing");
    deleteRow->addWidget(sharing);
    QPushButton* remove = makeButton(QStringLiteral("Delete"), "delete");
    deleteRow->addWidget(remove);
    subscriptionLayout->addLayout(deleteRow);
    layout->addWidget(subscriptionBox);

    auto* messageBox = new QGroupBox(QStringLiteral("Messages"));
    auto* messageLayout = new QVBoxLayout(messageBox);
    alerts_ = new QCheckBox(QStringLiteral("Show a popup alert when my location changes"));
    alerts_->setObjectName("alerts");
    messageLayout->addWidget(alerts_);
    layout->addWidget(messageBox);

    auto* advancedBox = new QGroupBox(QStringLiteral("Advanced"));
    auto* advancedLayout = new QGridLayout(advancedBox);
    adapter_ = new QComboBox;
    adapter_->setObjectName("adapter");
    adapter_->setEditable(true);
    adapter_->setInsertPolicy(QComboBox::NoInsert);
    adapter_->setCompleter(nullptr);
    advancedLayout->addWidget(new QLabel(QStringLiteral("Wireless adapter:")), 0, 0);
    advancedLayout->addWidget(adapter_, 0, 1, 1, 2);
    logIn_ = new QCheckBox(QStringLiteral("Start Nearbeam when I log in"));
    logIn_->setObjectName("logIn");
    advancedLayout->addWidget(logIn_, 1, 0, 1, 3);
    recalibrate_ = makeButton(QStringLiteral("Recalibrate Signal Meter"), "recalibrate");
    clearCache_ = makeButton(QStringLiteral("Clear Data Cache"), "clearCache");
    auto* actions = new QHBoxLayout;
    actions->addWidget(recalibrate_, 1);
    actions->addWidget(clearCache_, 1);
    advancedLayout->addLayout(actions, 2, 0, 1, 3);
    layout->addWidget(advancedBox);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    layout->addWidget(buttons);

    // What the dialog shows when it opens.
    adapters_ = adapterItems(context_.device.listAdapters());
    for (const std::wstring& item : adapters_)
        adapter_->addItem(qtText(item));
    adapter_->setCurrentIndex(
        initialAdapterItem(adapters_, context_.device.automatic(), context_.device.deviceName()));
    alerts_->setChecked(settings::read(context_.settings, settings::LocationAlerts) != 0);
    logIn_->setChecked(context_.autostart.enabled());
    fillSubscriptions();

    connect(remove, &QPushButton::clicked, this, &OptionsDialog::deleteSubscription);
    connect(sharing, &QPushButton::clicked, this, [this] {
        if (context_.sharingHistory)
            context_.sharingHistory();
    });
    connect(recalibrate_, &QPushButton::clicked, this, &OptionsDialog::recalibrate);
    connect(clearCache_, &QPushButton::clicked, this, &OptionsDialog::clearCache);
    connect(buttons, &QDialogButtonBox::accepted, this, &OptionsDialog::accept);
}

void OptionsDialog::fillSubscriptions() {
    subscriptions_->clear();
    for (const SubscriptionRow& row : subscriptionRows(context_.subscriptions, context_.database)) {
        auto* item = new QTreeWidgetItem(subscriptions_,
                                         {qtText(row.key), qtText(row.where), qtText(row.url)});
        item->setToolTip(UrlColumn, qtText(row.url));
    }
}

void OptionsDialog::deleteSubscription() {
    const QList<QTreeWidgetItem*> chosen = subscriptions_->selectedItems();
    if (chosen.isEmpty())
        return;
    context_.subscriptions.removeSubscription(wideText(chosen.front()->text(KeyColumn)));
    // Show what the file now holds, also when it could not be rewritten.
    fillSubscriptions();
}

void OptionsDialog::recalibrate() {
    context_.device.calibration().reset();
    recalibrate_->setEnabled(false);
}

void OptionsDialog::clearCache() {
    const bool cleared = clearDataCache(context_.database, [this] {
        return askOk(this, QStringLiteral("Nearbeam"), qtText(std::wstring(kClearCacheQuestion)),
                     true);
    });
    if (cleared)
        clearCache_->setEnabled(false);
}

void OptionsDialog::accept() {
    // A typed text that differs from the chosen item counts as no choice.
    int selected = adapter_->currentIndex();
    if (selected >= 0 && adapter_->itemText(selected) != adapter_->currentText())
        selected = -1;
    if (auto choice = adapterChoice(adapters_, selected, wideText(adapter_->currentText())))
        context_.device.setDevice(*choice);
    settings::write(context_.settings, settings::LocationAlerts, alerts_->isChecked() ? 1 : 0);
    if (logIn_->isChecked() != context_.autostart.enabled() &&
        !context_.autostart.setEnabled(logIn_->isChecked())) {
        askOk(this, QStringLiteral("Nearbeam Options"),
              QStringLiteral("The start at log-in could not be changed: %1 cannot be written.")
                  .arg(QString::fromStdString(context_.autostart.path())),
              false);
        return;
    }
    QDialog::accept();
}

void openOptionsDialog(OptionsContext& context, QWidget* parent) {
    openOrRaise(context.open, [&] {
        auto* dialog = new OptionsDialog(context, parent);
        dialog->setWindowModality(parent ? Qt::WindowModal : Qt::NonModal);
        return dialog;
    });
}

} // namespace nearbeam
