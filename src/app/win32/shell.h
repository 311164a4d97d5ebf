#pragma once
// The Windows program's shell: the program core on the Windows seams (the
// registry, the system's adapter drivers, WinInet, the protected password), the
// hidden main window with the tray icon, and the Win32 forms of the windows the
// core opens.

#include "app/desktop_windows.h"
#include "app/program.h"
#include "app/win32/main_window.h"
#include "app/window_forms.h"
#include "base/win32/shell_open.h"
#include "ui/win32/coverage_window.h"
#include "ui/win32/location_window.h"
#include "ui/win32/options_dialog.h"
#include "ui/win32/scanner_window.h"
#include "ui/win32/set_location_window.h"
#include "ui/win32/sharing_window.h"
#include "ui/win32/subscribe_dialog.h"
#include "ui/win32/survey_window.h"
#include "ui/win32/upload_dialog.h"

#include <windows.h>

#include <memory>
#include <utility>

namespace nearbeam {

// The windows' Win32 forms: dialogs are modal over the hidden main window, or
// over the Scanner they were opened from.
struct Win32Windows : WindowForms {
    template <class T, class... Parts> std::unique_ptr<T> make(Parts&&... parts) const {
        return std::make_unique<T>(instance, std::forward<Parts>(parts)...);
    }
    std::unique_ptr<Options> makeOptions(Program& program) const {
        return std::make_unique<Options>(Options{program.settings(), program.database(),
                                                 program.device(), program.subscriptions()});
    }
    void openUpload(Upload& upload) const { openUploadDialog(instance, owner, upload); }
    void openOptions(Options& options, Scanner* scanner) const {
        openOptionsDialog(instance, scanner ? scanner->open() : owner, options);
    }
    bool offerSubscription(const SubscribeContext& context, const std::wstring& url) const {
        return nearbeam::offerSubscription(instance, owner, url, context);
    }
    void openSurvey(Survey& survey) const { openSurveyWindow(instance, owner, survey); }
    void showSurveyProgress(Survey& survey) const { nearbeam::showSurveyProgress(survey); }
    void openLink(const std::wstring& link) const { openWithShell(link); }

    HINSTANCE instance;
    HWND owner; // the hidden main window
};

class Shell {
  public:
    Shell(HINSTANCE instance, const CommandLine& options, Clock& clock);

    // Makes the program, the main window and the windows, runs the first tick
    // and offers new subscriptions. False, after telling the user, when the
    // program cannot run; program().exitCode() then says with which code it ends.
    bool start();
    // Until Exit; the exit code. The web agent may finish an exchange under way,
    // but the user is not kept waiting on a server that does not answer.
    int run();

    Program& program() { return program_; }

  private:
    HINSTANCE instance_;
    Program program_;
    MainWindow window_;
    std::unique_ptr<DesktopWindows<Win32Windows>> windows_;
};

} // namespace nearbeam
