#pragma once
// The desktop's windows, wired once for both platforms: which window each action
// opens and which of the program's parts it shows. There is one of each; a window
// is made on its first opening, and opened again it is raised. A shell supplies
// its window types and the calls that differ in a Kit:
//   LocationPage, Scanner, SharingHistory    the windows
//   Wizard, Upload, Options                  the dialogs' contexts
//   make<T>(args...)                         a window or the wizard's context
//   makeOptions(program)                     the Options dialog's context
//   openUpload(upload), openOptions(options, scanner or null: the tray's),
//   offerSubscription(subscribe, url), openLink(link)
// and, beside its wizard, openSetLocationWizard(wizard, key).

#include "app/program.h"
#include "base/lazy.h"
#include "ui/location_page.h"
#include "ui/scanner_model.h"
#include "ui/subscription_offer.h"

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

    DesktopWindows(Program& program, Kit kit)
        : program_(program), kit_(kit), wizard_(kit_.template make<Wizard>(program.database())),
          upload_(Upload{program.uploader(), program.settings(), program.passwords(), {}}),
          options_(kit_.makeOptions(program)),
          subscribe_(SubscribeContext{program.subscriptions(), program.database()}) {
        // The set-location wizard, opened by the location page's Edit and for an
        // access point without a record.
        wizard_->scanner = [this] { openScanner(); };
        wizard_->saved = [&program](const BssidKey& key) { program.placeSaved(key); };
        options_->sharingHistory = [this] {
            sharing_->open(program_.subscriptions().sharingLogPath());
        };
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

    LocationPage& locationPage() { return *locationPage_; }
    Scanner& scanner() { return *scanner_; }
    SharingHistory& sharingHistory() { return *sharing_; }
    Wizard& wizard() { return *wizard_; }
    Upload& upload() { return upload_; }
    Options& options() { return *options_; }

  private:
    std::unique_ptr<LocationPage> makeLocationPage() {
        auto page = kit_.template make<LocationPage>(
            LocationPageContext(program_.database(), program_.settings()));
        page->context().scanner = [this] { openScanner(); };
        page->context().setLocation = [this](const BssidKey& key) {
            openSetLocationWizard(*wizard_, key);
        };
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
    Lazy<LocationPage> locationPage_{[this] { return makeLocationPage(); }};
    Lazy<Scanner> scanner_{[this] { return makeScanner(); }};
    Lazy<SharingHistory> sharing_{[this] { return kit_.template make<SharingHistory>(); }};
};

} // namespace nearbeam
