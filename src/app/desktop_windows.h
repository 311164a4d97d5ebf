#pragma once
// The desktop's windows, wired once for both platforms: which window each action
// opens and which of the program's parts it shows. There is one of each; a window
// is made on its first opening, and opened again it is raised. A shell supplies
// its window types and the calls that differ in a Kit:
//   LocationPage, Scanner, SharingHistory,
//   Coverage                                 the windows
//   Wizard, Upload, Options, Survey          the dialogs' contexts
//   make<T>(args...)                         a window or the wizard's context
//   makeOptions(program)                     the Options dialog's context
//   openUpload(upload), openOptions(options, scanner or null: the tray's),
//   offerSubscription(subscribe, url), openLink(link),
//   openSurvey(survey), showSurveyProgress(survey)
// and, beside its wizard, openSetLocationWizard(wizard, key).

#include "app/program.h"
#include "base/lazy.h"
#include "ui/location_page.h"
#include "ui/scanner_model.h"
#include "ui/subscription_offer.h"

#include <cstdint>
#include <memory>
#include <string>

namespace nearbeam {

template <class Kit> class DesktopWindows : public ProgramWindows {
  public:
    using LocationPage = typename Kit::LocationPage;
    using Scanner = typename Kit::Scanner;
    using SharingHistory = typename Kit::SharingHistory;
    using Wizard = typename Kit::Wizard;
    using Upload = typename Kit::Upload;
    using Options = typename Kit::Options;
    using Survey = typename Kit::Survey;
    using Coverage = typename Kit::Coverage;

    DesktopWindows(Program& program, Kit kit)
        : program_(program), kit_(kit), wizard_(kit_.template make<Wizard>(program.database())),
          upload_(Upload{program.uploader(), program.settings(), program.passwords(), {}}),
          options_(kit_.makeOptions(program)),
          // The offer names the places of what the program shows.
          subscribe_(SubscribeContext{program.subscriptions(), program.database(),
                                      [&program] { return program.application().shownPlace(); }}),
          survey_(Survey{program.survey(), program.database()}) {
        // The set-location wizard, opened by the location page's Edit and for an
        // access point without a record.
        wizard_->scanner = [this] { openScanner(); };
        wizard_->saved = [&program](const BssidKey& key) { program.placeSaved(key); };
        // What the latest scan heard: the place's survey scan, and at Finish
        // whether the user is still there.
        wizard_->heard = [&program] { return program.application().heardNow(); };
        options_->sharingHistory = [this] {
            sharing_->open(program_.subscriptions().sharingLogPath());
        };
        survey_.currentPlace = [&program] { return program.application().currentPlace(); };
        survey_.coverage = [this](uint32_t building) { openCoverage(building); };
    }
    DesktopWindows(const DesktopWindows&) = delete;
    DesktopWindows& operator=(const DesktopWindows&) = delete;

    void openLocationPage(const std::wstring& bssid) override {
        locationPage_->openLocationPage(bssid);
    }
    void openScanner() override { scanner_->open(); }
    void openUpload() override { kit_.openUpload(upload_); }
    void openOptions() override { kit_.openOptions(*options_, nullptr); }
    bool offerSubscription(const std::wstring& url) override {
        return kit_.offerSubscription(subscribe_, url);
    }
    void openLink(const std::wstring& link) override { kit_.openLink(link); }
    void openSurvey() override { kit_.openSurvey(survey_); }
    void surveyChanged() override { kit_.showSurveyProgress(survey_); }
    // The survey coverage of a building (0: every building).
    void openCoverage(uint32_t building) { coverage_->open(program_.database(), building); }

    LocationPage& locationPage() { return *locationPage_; }
    bool locationPageMade() const { return locationPage_.made(); }
    Scanner& scanner() { return *scanner_; }
    SharingHistory& sharingHistory() { return *sharing_; }
    Wizard& wizard() { return *wizard_; }
    Upload& upload() { return upload_; }
    Options& options() { return *options_; }
    Survey& survey() { return survey_; }
    Coverage& coverage() { return *coverage_; }

  private:
    std::unique_ptr<LocationPage> makeLocationPage() {
        auto page = kit_.template make<LocationPage>(
            LocationPageContext(program_.database(), program_.settings()));
        page->context().scanner = [this] { openScanner(); };
        page->context().setLocation = [this](const BssidKey& key) {
            openSetLocationWizard(*wizard_, key);
        };
        page->context().coverage = [this](uint32_t building) { openCoverage(building); };
        return page;
    }
    std::unique_ptr<Scanner> makeScanner() {
        Program& program = program_;
        auto scanner = kit_.template make<Scanner>(ScannerContext(
            ScannerParts(program.device(), program.database(),
                         program.application().manufacturers(), program.scanSettings()),
            program.settings()));
        scanner->context().showPage = [this](const std::wstring& bssid) {
            openLocationPage(bssid);
        };
        scanner->context().options = [this] { kit_.openOptions(*options_, &*scanner_); };
        scanner->context().upload = [&program] { program.upload(); };
        return scanner;
    }

    Program& program_;
    Kit kit_;
    std::unique_ptr<Wizard> wizard_;
    Upload upload_;
    std::unique_ptr<Options> options_;
    SubscribeContext subscribe_;
    Survey survey_;
    Lazy<LocationPage> locationPage_{[this] { return makeLocationPage(); }};
    Lazy<Scanner> scanner_{[this] { return makeScanner(); }};
    Lazy<SharingHistory> sharing_{[this] { return kit_.template make<SharingHistory>(); }};
    Lazy<Coverage> coverage_{[this] { return kit_.template make<Coverage>(); }};
};

} // namespace nearbeam
