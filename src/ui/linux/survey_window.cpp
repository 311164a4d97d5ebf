#include "ui/linux/survey_window.h"

#include "ui/linux/qt_text.h"
#include "ui/linux/widgets.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QVBoxLayout>

namespace nearbeam {

namespace {

QComboBox* makeCombo(const char* name, const std::vector<std::string>& items) {
    auto* combo = new QComboBox;
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    for (const std::string& item : items)
        combo->addItem(qtText(item));
    return combo;
}

QLabel* makeLabel(const char* name) {
    auto* label = new QLabel;
    label->setObjectName(name);
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    return label;
}

} // namespace

SurveyWindow::SurveyWindow(SurveyContext& context, QWidget* parent)
    : QDialog(parent), context_(context) {
    setWindowTitle(QStringLiteral("Nearbeam Survey"));
    const SurveyChoices choices = surveyChoices(
        context_.database, context_.currentPlace ? context_.currentPlace() : std::nullopt);
    preferredBuilding_ = choices.start.preferredBuilding;

    auto* layout = new QVBoxLayout(this);
    auto* fields = new QFormLayout;
    building_ = makeCombo("building", choices.buildings);
    building_->setEditText(qtText(choices.start.building));
    floor_ = makeCombo("floor", choices.floors);
    floor_->setEditText(qtText(choices.start.floor));
    location_ = new QLineEdit(qtText(choices.start.location));
    location_->setObjectName("location");
    count_ = new QLineEdit(qtText(choices.start.count));
    count_->setObjectName("count");
    fields->addRow(QStringLiteral("Building:"), building_);
    fields->addRow(QStringLiteral("Floor:"), floor_);
    fields->addRow(QStringLiteral("Location:"), location_);
    fields->addRow(QStringLiteral("Scans (one a tick):"), count_);
    layout->addLayout(fields);

    progress_ = new QProgressBar;
    progress_->setObjectName("progress");
    layout->addWidget(progress_);
    inRange_ = makeLabel("inRange");
    warning_ = makeLabel("warning");
    message_ = makeLabel("message");
    layout->addWidget(inRange_);
    layout->addWidget(warning_);
    layout->addWidget(message_);

    auto* buttons = new QHBoxLayout;
    auto* coverage = makeButton(QStringLiteral("Coverage..."), "coverage");
    buttons->addWidget(coverage);
    buttons->addStretch();
    record_ = makeButton(QStringLiteral("Record"), "record");
    record_->setDefault(true);
    stop_ = makeButton(QStringLiteral("Stop"), "stop");
    auto* close = makeButton(QStringLiteral("Close"), "close");
    buttons->addWidget(record_);
    buttons->addWidget(stop_);
    buttons->addWidget(close);
    layout->addLayout(buttons);
    setMinimumWidth(360);

    connect(record_, &QPushButton::clicked, this, &SurveyWindow::accept);
    connect(stop_, &QPushButton::clicked, this, &SurveyWindow::stop);
    connect(close, &QPushButton::clicked, this, &SurveyWindow::reject);
    connect(coverage, &QPushButton::clicked, this, [this] {
        if (context_.coverage)
            context_.coverage(0);
    });
    refresh();
}

void SurveyWindow::refresh() {
    const SurveyView& view = context_.survey.view();
    const bool started = view.total > 0;
    progress_->setVisible(started);
    progress_->setRange(0, started ? view.total : 1);
    progress_->setValue(view.recorded);
    progress_->setFormat(qtText(view.progress));
    inRange_->setText(
        view.lastScanned < 0
            ? QString()
            : QStringLiteral("Access points in the last scan: %1").arg(view.lastScanned));
    warning_->setText(qtText(view.warning));
    message_->setText(qtText(view.message));
    record_->setEnabled(view.canRecord);
    stop_->setEnabled(view.canStop);
    for (QWidget* field : {static_cast<QWidget*>(building_), static_cast<QWidget*>(floor_),
                           static_cast<QWidget*>(location_), static_cast<QWidget*>(count_)})
        field->setEnabled(view.canRecord);
}

void SurveyWindow::recordAt(const SurveyRequest& request) {
    if (!context_.survey.view().canRecord)
        return;
    building_->setEditText(qtText(request.building));
    floor_->setEditText(qtText(request.floor));
    location_->setText(qtText(request.location));
    count_->setText(qtText(request.count));
    accept();
}

void SurveyWindow::accept() {
    SurveyRequest request;
    request.building = ansiText(building_->currentText());
    request.floor = ansiText(floor_->currentText());
    request.location = ansiText(location_->text());
    request.count = ansiText(count_->text());
    request.preferredBuilding = preferredBuilding_;
    context_.survey.record(request);
    refresh();
}

void SurveyWindow::stop() {
    context_.survey.stop();
    refresh();
}

void SurveyWindow::done(int result) {
    context_.survey.stop();
    QDialog::done(result);
}

void openSurveyWindow(SurveyContext& context, QWidget* parent) {
    openOrRaise(context.open, [&] { return new SurveyWindow(context, parent); });
}

} // namespace nearbeam
