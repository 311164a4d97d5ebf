#include "ui/win32/subscribe_dialog.h"

#include "resource.h"
#include "ui/win32/controls.h"
#include "ui/win32/modal_dialog.h"

namespace nearbeam {
namespace {

void offerPlace(HWND dialog, int control, const std::wstring& label) {
    if (label.empty())
        return;
    setFieldText(dialog, control, label);
    EnableWindow(GetDlgItem(dialog, control), TRUE);
}

void onInit(HWND dialog, const SubscriptionOffer& offer) {
    setFieldText(dialog, IDC_SUBSCRIBE_URL, offer.url());
    offerPlace(dialog, IDC_SUBSCRIBE_AREA, offer.areaLabel());
    offerPlace(dialog, IDC_SUBSCRIBE_BUILDING, offer.buildingLabel());
    // Shown only once complete: the offer comes from another program, unasked.
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    SetActiveWindow(dialog);
}

OfferChoice choiceOf(HWND dialog) {
    auto chosen = [dialog](int control) {
        return IsDlgButtonChecked(dialog, control) == BST_CHECKED;
    };
    return chosen(IDC_SUBSCRIBE_ALWAYS)     ? OfferChoice::Always
           : chosen(IDC_SUBSCRIBE_AREA)     ? OfferChoice::Area
           : chosen(IDC_SUBSCRIBE_BUILDING) ? OfferChoice::Building
                                            : OfferChoice::Never;
}

} // namespace

bool offerSubscription(HINSTANCE instance, HWND owner, const std::wstring& url,
                       const SubscribeContext& context) {
    const SubscriptionOffer offer(context, url);
    DialogHandlers handlers;
    handlers.failure = L"Error creating subscribe dialog";
    handlers.init = [&offer](HWND dialog) { onInit(dialog, offer); };
    // Only OK ends the dialog: Escape and the close box (IDCANCEL) do nothing.
    handlers.command = [&offer](HWND dialog, int id, int) {
        if (id == IDOK) {
            offer.accept(choiceOf(dialog));
            EndDialog(dialog, 1);
        }
    };
    return runDialog(instance, owner, IDD_SUBSCRIBE, handlers).has_value();
}

} // namespace nearbeam
