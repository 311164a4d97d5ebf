#include "ui/linux/subscribe_dialog.h"

#include "ui/linux/qt_text.h"
#include "ui/linux/widgets.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

namespace nearbeam {
namespace {

QRadioButton* addChoice(QVBoxLayout* layout, QButtonGroup* group, const QString& text,
                        const char* name) {
    auto* button = new QRadioButton(text);
    button->setObjectName(name);
    group->addButton(button);
    layout->addWidget(button);
    return button;
}

// A place's choice, enabled with its name when there is such a place.
void offerPlace(QRadioButton* button, const std::wstring& label) {
    if (label.empty())
        return;
    button->setText(qtText(label));
    button->setEnabled(true);
}

} // namespace

SubscribeDialog::SubscribeDialog(const SubscribeContext& context, const std::wstring& url,
                                 QWidget* parent)
    : QDialog(parent), offer_(context, url) {
    setWindowTitle(QStringLiteral("Nearbeam Subscription"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("You are subscribing to a service at:")));
    auto* address = new QLabel;
    address->setObjectName("url");
    address->setTextFormat(Qt::PlainText);
    address->setTextInteractionFlags(Qt::TextSelectableByMouse);
    address->setContentsMargins(12, 0, 0, 8);
    // A long address is cut with an ellipsis; the whole one is in the tooltip.
    const QString full = qtText(url);
    address->setText(address->fontMetrics().elidedText(full, Qt::ElideRight, 360));
    address->setToolTip(full);
    layout->addWidget(address);

    layout->addWidget(new QLabel(QStringLiteral("Send updates to this service:")));
    auto* choices = new QVBoxLayout;
    choices->setContentsMargins(12, 0, 0, 0);
    auto* group = new QButtonGroup(this);
    always_ = addChoice(choices, group, QStringLiteral("Always"), "always");
    area_ = addChoice(choices, group, QStringLiteral("Only when I am within <area>"), "area");
    building_ =
        addChoice(choices, group, QStringLiteral("Only when I am in <building>"), "building");
    addChoice(choices, group, QStringLiteral("Never (don't subscribe)"), "never");
    area_->setEnabled(false);
    building_->setEnabled(false);
    layout->addLayout(choices);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    buttons->button(QDialogButtonBox::Ok)->setObjectName("ok");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &SubscribeDialog::accept);

    // No choice is made when the dialog opens.
    offerPlace(area_, offer_.areaLabel());
    offerPlace(building_, offer_.buildingLabel());
}

void SubscribeDialog::accept() {
    answered_ = true;
    offer_.accept(always_->isChecked()     ? OfferChoice::Always
                  : area_->isChecked()     ? OfferChoice::Area
                  : building_->isChecked() ? OfferChoice::Building
                                           : OfferChoice::Never);
    QDialog::accept();
}

void SubscribeDialog::closeEvent(QCloseEvent* event) {
    answered_ = true;
    QDialog::closeEvent(event);
}

void SubscribeDialog::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Escape)
        answered_ = true;
    QDialog::keyPressEvent(event);
}

bool offerSubscription(const SubscribeContext& context, const std::wstring& url, QWidget* parent) {
    SubscribeDialog dialog(context, url, parent);
    placeInCorner(&dialog);
    dialog.exec();
    return dialog.answered();
}

} // namespace nearbeam
