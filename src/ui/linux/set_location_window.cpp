#include "ui/linux/set_location_window.h"

#include "ui/linux/message_box.h"
#include "ui/linux/qt_text.h"
#include "ui/linux/widgets.h"

#include <QComboBox>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QStackedWidget>
#include <QTimer>
#include <QVBoxLayout>

namespace nearbeam {
namespace {

size_t indexOf(WizardPage page) {
    return static_cast<size_t>(page);
}

// The user types at most 31 characters into a field; a longer name the program
// puts there (from a list, or a record) stays whole.
void limitTyping(QLineEdit* edit) {
    const QString pattern =
        QStringLiteral("(?s).{0,%1}").arg(static_cast<int>(SetLocationWizard::kFieldChars));
    edit->setValidator(new QRegularExpressionValidator(QRegularExpression(pattern), edit));
}

QComboBox* addCombo(QVBoxLayout* layout, const QString& label, const char* name) {
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    combo->setEditable(true);
    // The list offers what the database holds; typing neither adds to it nor
    // completes from it.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    limitTyping(combo->lineEdit());
    layout->addWidget(new QLabel(label));
    layout->addWidget(combo);
    return combo;
}

QLineEdit* addEdit(QVBoxLayout* layout, const QString& label, const char* name) {
    auto* edit = new QLineEdit;
    edit->setObjectName(name);
    limitTyping(edit);
    layout->addWidget(new QLabel(label));
    layout->addWidget(edit);
    return edit;
}

// A page's buttons at its foot: back (if any) on the left, forward on the right.
void addButtons(QVBoxLayout* layout, QPushButton* back, QPushButton* forward) {
    auto* row = new QHBoxLayout;
    if (back)
        row->addWidget(back);
    row->addStretch();
    row->addWidget(forward);
    layout->addStretch();
    layout->addLayout(row);
}

void fillCombo(QComboBox* combo, const ComboContent& content) {
    combo->clear();
    for (const std::string& item : content.items)
        combo->addItem(qtText(item));
    combo->setCurrentIndex(-1);
    combo->setEditText(qtText(content.text));
}

// The user changed a combo box: by typing, or by choosing an item.
template <typename Handler>
void onUserChange(QComboBox* combo, QObject* receiver, Handler handler) {
    QObject::connect(combo->lineEdit(), &QLineEdit::textEdited, receiver, handler);
    QObject::connect(combo, &QComboBox::activated, receiver,
                     [combo, handler](int index) { handler(combo->itemText(index)); });
}

std::vector<ScanReading> heardNow(const SetLocationContext& context) {
    return context.heard ? context.heard() : std::vector<ScanReading>();
}

} // namespace

SetLocationWindow::SetLocationWindow(SetLocationContext& context, const BssidKey& key,
                                     LocationRecord* record, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      context_(context), model_(context.database, key, record, heardNow(context)) {
    setWindowTitle(QStringLiteral("Where Am I?"));
    auto* layout = new QVBoxLayout(this);
    // The pages have one size: the window is not resized.
    layout->setSizeConstraint(QLayout::SetFixedSize);
    auto* menus = new QMenuBar;
    QMenu* location = menus->addMenu(QStringLiteral("&Location"));
    location->addAction(QStringLiteral("&Scanner"), this, [this] {
        if (context_.scanner)
            context_.scanner();
    });
    layout->setMenuBar(menus);
    stack_ = new QStackedWidget;
    stack_->setMinimumSize(260, 300);
    layout->addWidget(stack_);
    showPage(model_.firstPage());
}

void SetLocationWindow::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // Minimising closes the wizard without saving.
    if (event->type() == QEvent::WindowStateChange && (windowState() & Qt::WindowMinimized))
        QTimer::singleShot(0, this, &QWidget::close);
}

// A page is made once, when first shown, and keeps its fields while the user goes
// back and forth.
void SetLocationWindow::showPage(WizardPage page) {
    current_ = page;
    QWidget*& shown = pages_[indexOf(page)];
    if (!shown) {
        switch (page) {
        case WizardPage::Place:
            shown = makePlacePage();
            break;
        case WizardPage::Area:
            shown = makeAreaPage();
            break;
        case WizardPage::Building:
            shown = makeBuildingPage();
            break;
        }
        stack_->addWidget(shown);
    }
    stack_->setCurrentWidget(shown);
    forward_[indexOf(page)]->setDefault(true);
    // The page's first field takes the keys.
    if (auto* first = shown->findChild<QComboBox*>())
        first->setFocus();
}

// --- Place page ---

QWidget* SetLocationWindow::makePlacePage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    country_ = addCombo(layout, QStringLiteral("Country:"), "country");
    province_ = addCombo(layout, QStringLiteral("Province:"), "province");
    city_ = addCombo(layout, QStringLiteral("City:"), "city");
    QPushButton* next = makeButton(QStringLiteral("Next >>"), "placeNext");
    addButtons(layout, nullptr, next);
    forward_[indexOf(WizardPage::Place)] = next;

    for (const std::string& name : model_.countries())
        country_->addItem(qtText(name));
    const std::vector<std::string> texts = model_.placeTexts();
    country_->setCurrentIndex(-1);
    country_->setEditText(qtText(texts[0]));
    province_->setEditText(qtText(texts[1]));
    city_->setEditText(qtText(texts[2]));
    if (model_.country())
        countryChanged(country_->currentText());

    onUserChange(country_, this, [this](const QString& text) { countryChanged(text); });
    onUserChange(province_, this, [this](const QString& text) { provinceChanged(text); });
    connect(next, &QPushButton::clicked, this, &SetLocationWindow::placeNext);
    return page;
}

void SetLocationWindow::countryChanged(const QString& text) {
    const SetLocationWizard::CountryChange change = model_.countryChanged(ansiText(text));
    fillCombo(province_, change.provinces);
    fillCombo(city_, change.cities);
}

void SetLocationWindow::provinceChanged(const QString& text) {
    fillCombo(city_, model_.provinceChanged(ansiText(text)));
}

void SetLocationWindow::placeNext() {
    if (auto message =
            model_.placeNext(ansiText(country_->currentText()), ansiText(province_->currentText()),
                             ansiText(city_->currentText()))) {
        tell(*message);
        return;
    }
    if (pages_[indexOf(WizardPage::Area)])
        refreshArea();
    showPage(WizardPage::Area);
}

// --- Area page ---

QWidget* SetLocationWindow::makeAreaPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("City:")));
    cityLabel_ = new QLabel(QStringLiteral("No city selected. Go back."));
    cityLabel_->setObjectName("cityLabel");
    cityLabel_->setTextFormat(Qt::PlainText);
    cityLabel_->setWordWrap(true);
    layout->addWidget(cityLabel_);
    area_ = addCombo(layout, QStringLiteral("Area:"), "area");
    auto* hint = new QLabel(QStringLiteral(
        "Optional.  Can be used to specify an area within the city; for example, a university "
        "or business campus, city division, district, borough, or neighbourhood."));
    hint->setWordWrap(true);
    layout->addWidget(hint);
    QPushButton* back = makeButton(QStringLiteral("<< City"), "areaBack");
    QPushButton* next = makeButton(QStringLiteral("Next >>"), "areaNext");
    addButtons(layout, back, next);
    forward_[indexOf(WizardPage::Area)] = next;

    refreshArea();
    connect(back, &QPushButton::clicked, this, [this] { showPage(WizardPage::Place); });
    connect(next, &QPushButton::clicked, this, &SetLocationWindow::areaNext);
    return page;
}

void SetLocationWindow::refreshArea() {
    if (model_.city())
        cityLabel_->setText(QString::fromStdWString(model_.areaLabel()));
    fillCombo(area_, model_.areaView());
}

void SetLocationWindow::areaNext() {
    model_.areaNext(ansiText(area_->currentText()));
    if (pages_[indexOf(WizardPage::Building)])
        refreshBuildingList();
    showPage(WizardPage::Building);
}

// --- Building page ---

QWidget* SetLocationWindow::makeBuildingPage() {
    auto* page = new QWidget;
    auto* layout = new QVBoxLayout(page);
    building_ = addCombo(layout, QStringLiteral("Building:"), "building");
    street_ = addEdit(layout, QStringLiteral("Street Address:"), "street");
    floor_ = addCombo(layout, QStringLiteral("Floor:"), "floor");
    floor_->setMaximumWidth(120);
    location_ = addEdit(layout, QStringLiteral("Location:"), "location");
    auto* scanNote = new QLabel(qtText(model_.scanNote()));
    scanNote->setObjectName("scanNote");
    scanNote->setWordWrap(true);
    scanNote->setVisible(!model_.scanNote().empty());
    layout->addWidget(scanNote);
    auto* keptHere = new QLabel(qtText(model_.keptHereNote()));
    keptHere->setObjectName("keptHere");
    keptHere->setWordWrap(true);
    layout->addWidget(keptHere);
    QPushButton* back = makeButton(QStringLiteral("<< Area"), "buildingBack");
    QPushButton* finish = makeButton(QStringLiteral("Finish"), "finish");
    addButtons(layout, back, finish);
    forward_[indexOf(WizardPage::Building)] = finish;

    const SetLocationWizard::BuildingView view = model_.buildingView();
    for (const std::string& name : view.buildings)
        building_->addItem(qtText(name));
    for (const std::string& floor : SetLocationWizard::floorChoices())
        floor_->addItem(qtText(floor));
    building_->setCurrentIndex(-1);
    floor_->setCurrentIndex(-1);
    if (view.building)
        building_->setEditText(qtText(*view.building));
    if (view.streetAddress)
        street_->setText(qtText(*view.streetAddress));
    if (view.floor)
        floor_->setEditText(qtText(*view.floor));
    if (view.location)
        location_->setText(qtText(*view.location));

    onUserChange(building_, this, [this](const QString& text) { buildingChanged(text); });
    connect(back, &QPushButton::clicked, this, [this] { showPage(WizardPage::Area); });
    connect(finish, &QPushButton::clicked, this, &SetLocationWindow::finish);
    return page;
}

void SetLocationWindow::buildingChanged(const QString& text) {
    if (auto address = model_.buildingChanged(ansiText(text)))
        street_->setText(qtText(*address));
}

// Back from the Area page with another area (or city): the list follows it, the
// fields stay as the user left them, and the building is looked for again.
void SetLocationWindow::refreshBuildingList() {
    const QString building = building_->currentText();
    fillCombo(building_, {model_.buildingNames(), ansiText(building)});
    buildingChanged(building);
}

void SetLocationWindow::finish() {
    const BuildingFields fields{ansiText(building_->currentText()), ansiText(street_->text()),
                                ansiText(floor_->currentText()), ansiText(location_->text())};
    if (auto question = model_.stillHereQuestion(fields, heardNow(context_))) {
        if (!askYes(this, qtText(question->caption), qtText(question->text))) {
            tell(SetLocationWizard::finishRefused());
            return;
        }
    }
    if (auto message = model_.finish(fields)) {
        tell(*message);
        return;
    }
    const std::function<void(const BssidKey&)> saved = context_.saved;
    const BssidKey key = model_.key();
    close();
    if (saved)
        saved(key);
}

void SetLocationWindow::tell(const WizardMessage& message) {
    askOk(this, qtText(message.caption), qtText(message.text), false);
}

SetLocationWindow* openSetLocationWizard(SetLocationContext& context, const BssidKey& key) {
    // A wizard closed a moment ago may wait for its deletion: it counts as closed.
    if (SetLocationWindow* open = context.open; open && open->isVisible() && open->key() != key)
        open->close();
    return openOrRaise(context.open, [&] {
        return new SetLocationWindow(context, key, context.database.locations().find(key));
    });
}

} // namespace nearbeam
