#include "services/win32/subscribe_dialog.h"

#include "base/text.h"
#include "resource.h"
#include "ui/win32/tool_window.h"

namespace nearbeam {
namespace {

struct SubscribeState {
    const SubscribeContext& context;
    std::wstring url;
    // The places offered, taken when the dialog opens; 0 for none.
    uint32_t areaId = 0;
    uint32_t buildingId = 0;
};

void offerPlace(HWND dialog, int control, const wchar_t* text, const NamedRecord* place,
                uint32_t& id) {
    if (!place)
        return;
    id = place->id;
    std::wstring label = text;
    for (wchar_t c : widen(place->name)) {
        if (c == L'&') // shown as itself, not as a keyboard shortcut
            label += L'&';
        label += c;
    }
    SetDlgItemTextW(dialog, control, label.c_str());
    EnableWindow(GetDlgItem(dialog, control), TRUE);
}

void onInit(HWND dialog, SubscribeState& state) {
    placeInCorner(dialog);
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    SetActiveWindow(dialog);
    SetDlgItemTextW(dialog, IDC_SUBSCRIBE_URL, state.url.c_str());
    LocationDatabase& database = state.context.database;
    offerPlace(dialog, IDC_SUBSCRIBE_AREA, L"Only when I am within ",
               database.areas().currentRecord(), state.areaId);
    offerPlace(dialog, IDC_SUBSCRIBE_BUILDING, L"Only when I am in ",
               database.buildings().currentRecord(), state.buildingId);
}

void onOk(HWND dialog, const SubscribeState& state) {
    SubscriptionList& list = state.context.subscriptions;
    auto chosen = [dialog](int control) {
        return IsDlgButtonChecked(dialog, control) == BST_CHECKED;
    };
    if (chosen(IDC_SUBSCRIBE_ALWAYS))
        list.addSubscription(service_level::Everywhere, 0, state.url);
    else if (chosen(IDC_SUBSCRIBE_AREA) && state.areaId != 0)
        list.addSubscription(service_level::Area, state.areaId, state.url);
    else if (chosen(IDC_SUBSCRIBE_BUILDING) && state.buildingId != 0)
        list.addSubscription(service_level::Building, state.buildingId, state.url);
    EndDialog(dialog, 1);
}

INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        onInit(dialog, *reinterpret_cast<SubscribeState*>(lParam));
        return TRUE;
    }
    auto* state = reinterpret_cast<SubscribeState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!state || message != WM_COMMAND)
        return FALSE;
    // Only OK ends the dialog: Escape and the close box (IDCANCEL) do nothing.
    if (LOWORD(wParam) == IDOK)
        onOk(dialog, *state);
    return TRUE;
}

} // namespace

bool showSubscribeDialog(HINSTANCE instance, HWND owner, const std::wstring& url,
                         const SubscribeContext& context) {
    SubscribeState state{context, url};
    const INT_PTR result = DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_SUBSCRIBE), owner,
                                           procedure, reinterpret_cast<LPARAM>(&state));
    if (result == -1 || result == 0) {
        showErrorBox(L"Error creating subscribe dialog", L"Internal Error", -1);
        return false;
    }
    return true;
}

void processNewSubscriptions(HINSTANCE instance, HWND owner, const SubscribeContext& context) {
    context.subscriptions.processNewSubscriptions([&](const std::wstring& url) {
        return showSubscribeDialog(instance, owner, url, context);
    });
}

} // namespace nearbeam
