#include "ui/win32/subscription_dialog.h"

#include "base/text.h"
#include "resource.h"
#include "ui/win32/controls.h"
#include "ui/win32/modal_dialog.h"

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
    setFieldText(dialog, control, label);
    EnableWindow(GetDlgItem(dialog, control), TRUE);
}

void onInit(HWND dialog, SubscribeState& state) {
    setFieldText(dialog, IDC_SUBSCRIBE_URL, state.url);
    LocationDatabase& database = state.context.database;
    offerPlace(dialog, IDC_SUBSCRIBE_AREA, L"Only when I am within ",
               database.areas().currentRecord(), state.areaId);
    offerPlace(dialog, IDC_SUBSCRIBE_BUILDING, L"Only when I am in ",
               database.buildings().currentRecord(), state.buildingId);
    // Shown only once complete: the offer comes from another program, unasked.
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    SetActiveWindow(dialog);
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

} // namespace

bool showSubscribeDialog(HINSTANCE instance, HWND owner, const std::wstring& url,
                         const SubscribeContext& context) {
    SubscribeState state{context, url};
    DialogHandlers handlers;
    handlers.failure = L"Error creating subscribe dialog";
    handlers.init = [&state](HWND dialog) { onInit(dialog, state); };
    // Only OK ends the dialog: Escape and the close box (IDCANCEL) do nothing.
    handlers.command = [&state](HWND dialog, int id, int) {
        if (id == IDOK)
            onOk(dialog, state);
    };
    return runDialog(instance, owner, IDD_SUBSCRIBE, handlers).has_value();
}

void processNewSubscriptions(HINSTANCE instance, HWND owner, const SubscribeContext& context) {
    context.subscriptions.processNewSubscriptions([&](const std::wstring& url) {
        return showSubscribeDialog(instance, owner, url, context);
    });
}

} // namespace nearbeam
