#pragma once
// The Survey window, "Nearbeam Survey": the building, floor and location to
// survey (starting at the current place), the number of scans, Record and Stop,
// and while it records a progress bar, the access points of the last scan and a
// warning when too few are in range. The survey itself is the program's
// (SurveyModel): the window moves texts and shows the model's view after each
// tick. Closing it stops a survey under way; what was recorded stays.

#include "locate/location_database.h"
#include "records/place_key.h"
#include "ui/survey_model.h"

#include <QDialog>
#include <QPointer>

#include <cstdint>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;

namespace nearbeam {

class SurveyWindow;

struct SurveyContext {
    SurveyModel& survey;
    LocationDatabase& database;
    // The place the program last decided; empty or none: the fields start empty.
    std::function<std::optional<PlaceKey>()> currentPlace = {};
    // "Coverage...": the coverage page of a building (0: every building).
    std::function<void(uint32_t building)> coverage = {};
    QPointer<SurveyWindow> open = {}; // the window while it is open
};

class SurveyWindow : public QDialog {
    Q_OBJECT
  public:
    explicit SurveyWindow(SurveyContext& context, QWidget* parent = nullptr);

    // Shows the survey's view; the program calls it after each tick.
    void refresh();

    // Types the request into the fields and presses Record (a script's survey).
    void recordAt(const SurveyRequest& request);

    void accept() override; // Record, or Enter
    void done(int result) override;

  private:
    void stop();

    SurveyContext& context_;
    QComboBox* building_ = nullptr;
    QComboBox* floor_ = nullptr;
    QLineEdit* location_ = nullptr;
    QLineEdit* count_ = nullptr;
    QPushButton* record_ = nullptr;
    QPushButton* stop_ = nullptr;
    QProgressBar* progress_ = nullptr;
    QLabel* inRange_ = nullptr;
    QLabel* warning_ = nullptr;
    QLabel* message_ = nullptr;
    uint32_t preferredBuilding_ = 0;
};

// Opens the window (one already open is brought forward). Returns at once.
void openSurveyWindow(SurveyContext& context, QWidget* parent);

} // namespace nearbeam
