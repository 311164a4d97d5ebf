#pragma once
// The set-location wizard's window, "Where Am I?": one of its three pages (Place,
// Area, Building) at a time over the wizard's decisions, with the menu "Location"
// holding "Scanner". Enter takes the page's forward button; Escape, the close
// button and minimising close the wizard without saving. One wizard at a time.

#include "locate/location_database.h"
#include "records/bssid_key.h"
#include "ui/set_location_wizard.h"

#include <QDialog>
#include <QPointer>

#include <array>
#include <functional>
#include <vector>

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QStackedWidget;

namespace nearbeam {

class SetLocationWindow;

// What the wizard stands on; made once by the program (or a test).
struct SetLocationContext {
    explicit SetLocationContext(LocationDatabase& database) : database(database) {}

    LocationDatabase& database;
    // The menu's "Scanner"; empty: nothing happens.
    std::function<void()> scanner;
    // What the latest scan heard (latestScanReadings): as the wizard opens, kept
    // as the place's survey scan, and at Finish, to tell whether the user moved.
    // Empty: nothing heard.
    std::function<std::vector<ScanReading>()> heard;
    // After Finish has saved the place of the access point: whoever shows the
    // place refreshes it.
    std::function<void(const BssidKey& key)> saved;
    // The wizard while it is open.
    QPointer<SetLocationWindow> open;
};

class SetLocationWindow : public QDialog {
    Q_OBJECT
  public:
    // record: the access point's location record to correct, or none.
    SetLocationWindow(SetLocationContext& context, const BssidKey& key, LocationRecord* record,
                      QWidget* parent = nullptr);

    const BssidKey& key() const { return model_.key(); }
    WizardPage page() const { return current_; }

  protected:
    void changeEvent(QEvent* event) override;

  private:
    void showPage(WizardPage page);
    QWidget* makePlacePage();
    QWidget* makeAreaPage();
    QWidget* makeBuildingPage();

    void countryChanged(const QString& text);
    void provinceChanged(const QString& text);
    void placeNext();
    void refreshArea();
    void areaNext();
    void buildingChanged(const QString& text);
    void refreshBuildingList();
    void finish();
    void tell(const WizardMessage& message);

    SetLocationContext& context_;
    SetLocationWizard model_;
    QStackedWidget* stack_ = nullptr;
    std::array<QWidget*, 3> pages_{}; // by WizardPage; none until first shown
    std::array<QPushButton*, 3> forward_{};
    WizardPage current_ = WizardPage::Place;

    QComboBox* country_ = nullptr;
    QComboBox* province_ = nullptr;
    QComboBox* city_ = nullptr;
    QLabel* cityLabel_ = nullptr;
    QComboBox* area_ = nullptr;
    QComboBox* building_ = nullptr;
    QLineEdit* street_ = nullptr;
    QComboBox* floor_ = nullptr;
    QLineEdit* location_ = nullptr;
};

// Opens the wizard for the access point `key`, to correct its location record
// when it has one, otherwise to place it. A wizard already open for the same
// access point is brought forward as it is; one open for another access point is
// closed first.
SetLocationWindow* openSetLocationWizard(SetLocationContext& context, const BssidKey& key);

} // namespace nearbeam
