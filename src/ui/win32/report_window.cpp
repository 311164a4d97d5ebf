#include "ui/win32/report_window.h"

#include "resource.h"

namespace nearbeam {

ReportWindow::ReportWindow(HINSTANCE instance, const wchar_t* className, const wchar_t* title,
                           const wchar_t* errorCaption)
    : PageWindow(instance, {className, title, 0, IDD_LOCATION, {IDC_DISPLAY}, errorCaption, true}) {
}

bool ReportWindow::showReport(const std::string& page) {
    HWND frame = openFrame();
    if (!frame)
        return false;
    showHtml(GetWindow(frame, GW_CHILD), page);
    return true;
}

} // namespace nearbeam
