#include "ui/win32/survey_window.h"

#include "base/text.h"
#include "resource.h"
#include "ui/win32/controls.h"
#include "ui/win32/messages.h"
#include "ui/win32/modal_dialog.h"

#include <commctrl.h>

namespace nearbeam {
namespace {

constexpr int kFields[] = {IDC_SURVEY_BUILDING, IDC_SURVEY_FLOOR, IDC_SURVEY_LOCATION,
                           IDC_SURVEY_COUNT};

struct WindowState {
    SurveyContext& context;
    uint32_t preferredBuilding = 0;
};

std::vector<std::wstring> wide(const std::vector<std::string>& items) {
    std::vector<std::wstring> out;
    for (const std::string& item : items)
        out.push_back(widen(item));
    return out;
}

void showView(HWND dialog, const SurveyView& view) {
    HWND bar = GetDlgItem(dialog, IDC_SURVEY_BAR);
    SendMessageW(bar, PBM_SETRANGE32, 0, view.total > 0 ? view.total : 1);
    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(view.recorded), 0);
    setFieldText(dialog, IDC_SURVEY_PROGRESS, view.progress);
    setFieldText(dialog, IDC_SURVEY_IN_RANGE,
                 view.lastScanned < 0
                     ? L""
                     : L"Access points in the last scan: " + std::to_wstring(view.lastScanned));
    setFieldText(dialog, IDC_SURVEY_WARNING, view.warning);
    setFieldText(dialog, IDC_SURVEY_MESSAGE, view.message);
    EnableWindow(GetDlgItem(dialog, IDOK), view.canRecord);
    EnableWindow(GetDlgItem(dialog, IDC_SURVEY_STOP), view.canStop);
    for (int id : kFields)
        EnableWindow(GetDlgItem(dialog, id), view.canRecord);
}

void onInit(HWND dialog, WindowState& state) {
    SurveyContext& context = state.context;
    const SurveyChoices choices = surveyChoices(
        context.database, context.currentPlace ? context.currentPlace() : std::nullopt);
    state.preferredBuilding = choices.start.preferredBuilding;
    fillCombo(dialog, IDC_SURVEY_BUILDING, wide(choices.buildings));
    fillCombo(dialog, IDC_SURVEY_FLOOR, wide(choices.floors));
    setFieldText(dialog, IDC_SURVEY_BUILDING, widen(choices.start.building));
    setFieldText(dialog, IDC_SURVEY_FLOOR, widen(choices.start.floor));
    setFieldText(dialog, IDC_SURVEY_LOCATION, widen(choices.start.location));
    setFieldText(dialog, IDC_SURVEY_COUNT, widen(choices.start.count));
    showView(dialog, context.survey.view());
}

void onRecord(HWND dialog, WindowState& state) {
    // Enter while a survey records does nothing.
    if (!IsWindowEnabled(GetDlgItem(dialog, IDOK)))
        return;
    SurveyRequest request;
    request.building = narrow(fieldText(dialog, IDC_SURVEY_BUILDING));
    request.floor = narrow(fieldText(dialog, IDC_SURVEY_FLOOR));
    request.location = narrow(fieldText(dialog, IDC_SURVEY_LOCATION));
    request.count = narrow(fieldText(dialog, IDC_SURVEY_COUNT));
    request.preferredBuilding = state.preferredBuilding;
    state.context.survey.record(request);
    showView(dialog, state.context.survey.view());
}

void onCommand(HWND dialog, WindowState& state, int id) {
    SurveyModel& survey = state.context.survey;
    switch (id) {
    case IDOK:
        onRecord(dialog, state);
        break;
    case IDC_SURVEY_STOP:
        survey.stop();
        showView(dialog, survey.view());
        break;
    case IDC_SURVEY_COVERAGE:
        if (state.context.coverage)
            state.context.coverage(0);
        break;
    case IDCANCEL:
        survey.stop();
        EndDialog(dialog, 0);
        break;
    default:
        break;
    }
}

} // namespace

bool openSurveyWindow(HINSTANCE instance, HWND owner, SurveyContext& context) {
    if (bringForwardIfOpen(context.open))
        return true;
    WindowState state{context, 0};
    DialogHandlers handlers;
    handlers.failure = L"Error creating survey window";
    handlers.open = &context.open;
    handlers.commonControls = ICC_PROGRESS_CLASS;
    handlers.init = [&state](HWND dialog) { onInit(dialog, state); };
    handlers.command =
        buttonClicks([&state](HWND dialog, int id) { onCommand(dialog, state, id); });
    handlers.message = [&state](HWND dialog, UINT message, WPARAM, LPARAM) -> INT_PTR {
        if (message != nearbeam::message::SurveyChanged)
            return FALSE;
        showView(dialog, state.context.survey.view());
        return TRUE;
    };
    return runDialog(instance, owner, IDD_SURVEY, handlers).has_value();
}

void showSurveyProgress(const SurveyContext& context) {
    if (context.open)
        SendMessageW(context.open, message::SurveyChanged, 0, 0);
}

} // namespace nearbeam
