#include "ui/linux/subscribe_dialog.h"

#include "ui/linux/qt_text.h"
#include "ui/linux/widgets.h"

#include <QButtonGroup>
#include <QCloseEvent>
#include <QDialogButtonBox>
#include <QKeyEvent>
#include <QLabel>
#include <QPlainTextEdit>
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
    // The whole address, wrapped anywhere (an address has no spaces to wrap at):
    // the user agrees to send every part of it.
    auto* address = new QPlainTextEdit(qtText(url));
    address->setObjectName("url");
    address->setReadOnly(true);
    address->setWordWrapMode(QTextOption::WrapAnywhere);
    address->setFrameShape(QFrame::NoFrame);
    address->viewport()->setAutoFillBackground(false);
    address->setFixedHeight(address->fontMetrics().lineSpacing() * 4 + 8);
    address->setTabChangesFocus(true);
    layout->addWidget(address);
    if (!offer_.mayAgree()) {
        auto* note = new QLabel(qtText(offer_.addressNote()));
        note->setObjectName("addressNote");
        note->setWordWrap(true);
        layout->addWidget(note);
    }

    layout->addWidget(new QLabel(QStringLiteral("Send updates to this service:")));
    auto* choices = new QVBoxLayout;
    choices->setContentsMargins(12, 0, 0, 0);
    auto* group = new QButtonGroup(this);
    always_ = addChoice(choices, group, QStringLiteral("&Always"), "always");
    area_ = addChoice(choices, group, QStringLiteral("Only when I am within <area>"), "area");
    building_ =
        addChoice(choices, group, QStringLiteral("Only when I am in <building>"), "building");
    never_ = addChoice(choices, group, QStringLiteral("&Never (don't subscribe)"), "never");
    area_->setEnabled(false);
    building_->setEnabled(false);
    always_->setEnabled(offer_.mayAgree());
    layout->addLayout(choices);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok);
    ok_ = buttons->button(QDialogButtonBox::Ok);
    ok_->setObjectName("ok");
    layout->addWidget(buttons);
    connect(buttons, &QDialogButtonBox::accepted, this, &SubscribeDialog::accept);
    connect(group, &QButtonGroup::buttonToggled, this,
            [this] { ok_->setEnabled(offer_.okEnabled(choice())); });

    // No choice is made when the dialog opens: OK waits for one.
    offerPlace(area_, offer_.areaLabel());
    offerPlace(building_, offer_.buildingLabel());
    ok_->setEnabled(offer_.okEnabled(choice()));
}

std::optional<OfferChoice> SubscribeDialog::choice() const {
    if (always_->isChecked())
        return OfferChoice::Always;
    if (area_->isChecked())
        return OfferChoice::Area;
    if (building_->isChecked())
        return OfferChoice::Building;
    if (never_->isChecked())
        return OfferChoice::Never;
    return std::nullopt;
}

void SubscribeDialog::accept() {
    // Enter with nothing chosen keeps the offer open.
    const std::optional<OfferChoice> chosen = choice();
    if (!offer_.okEnabled(chosen))
        return;
    answered_ = true;
    offer_.accept(*chosen);
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
