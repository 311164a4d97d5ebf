#pragma once
// The window types a shell gives DesktopWindows: each platform's ui folder
// declares forms of these names, so both shells take the names from here.

namespace nearbeam {

class LocationPageWindow;
class ScannerWindow;
class SharingHistoryWindow;
class CoverageWindow;
struct SetLocationContext;
struct UploadDialogContext;
struct OptionsContext;
struct SurveyContext;

struct WindowForms {
    using LocationPage = LocationPageWindow;
    using Scanner = ScannerWindow;
    using SharingHistory = SharingHistoryWindow;
    using Wizard = SetLocationContext;
    using Upload = UploadDialogContext;
    using Options = OptionsContext;
    using Survey = SurveyContext;
    using Coverage = CoverageWindow;
};

} // namespace nearbeam
