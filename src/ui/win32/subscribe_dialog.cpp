#include "ui/win32/subscribe_dialog.h"

#include "resource.h"
#include "ui/win32/controls.h"
#include "ui/win32/modal_dialog.h"

#include <optional>
#include <utility>

namespace nearbeam {
namespace {

void offerPlace(HWND dialog, int control, const std::wstring& label) {
    if (label.empty())
        return;
    setFieldText(dialog, control, label);
    EnableWindow(GetDlgItem(dialog, control), TRUE);
}

void onInit(HWND dialog, const SubscriptionOffer& offer) {
    // The whole address, wrapped: the user agrees to send every part of it.
    setFieldText(dialog, IDC_SUBSCRIBE_URL, offer.url());
    if (!offer.mayAgree()) {
        setFieldText(dialog, IDC_SUBSCRIBE_NOTE, offer.addressNote());
        ShowWindow(GetDlgItem(dialog, IDC_SUBSCRIBE_NOTE), SW_SHOW);
        EnableWindow(GetDlgItem(dialog, IDC_SUBSCRIBE_ALWAYS), FALSE);
    }
    offerPlace(dialog, IDC_SUBSCRIBE_AREA, offer.areaLabel());
    offerPlace(dialog, IDC_SUBSCRIBE_BUILDING, offer.buildingLabel());
    // Shown only once complete: the offer comes from another program, unasked.
    ShowWindow(dialog, SW_SHOW);
    SetForegroundWindow(dialog);
    SetActiveWindow(dialog);
}

std::optional<OfferChoice> choiceOf(HWND dialog) {
    const std::pair<int, OfferChoice> choices[] = {{IDC_SUBSCRIBE_ALWAYS, OfferChoice::Always},
                                                   {IDC_SUBSCRIBE_AREA, OfferChoice::Area},
                                                   {IDC_SUBSCRIBE_BUILDING, OfferChoice::Building},
                                                   {IDC_SUBSCRIBE_NEVER, OfferChoice::Never}};
    for (const auto& [control, choice] : choices) {
        if (IsDlgButtonChecked(dialog, control) == BST_CHECKED)
            return choice;
    }
    return std::nullopt;
}

} // namespace

bool offerSubscription(HINSTANCE instance, HWND owner, const std::wstring& url,
                       const SubscribeContext& context) {
    const SubscriptionOffer offer(context, url);
    DialogHandlers handlers;
    handlers.failure = L"Error creating subscribe dialog";
    handlers.init = [&offer](HWND dialog) { onInit(dialog, offer); };
    // Only OK ends the dialog, once a choice is made: Enter with nothing chosen,
    // Escape and the close box (IDCANCEL) do nothing.
    handlers.command = [&offer](HWND dialog, int id, int) {
        const std::optional<OfferChoice> chosen = choiceOf(dialog);
        EnableWindow(GetDlgItem(dialog, IDOK), offer.okEnabled(chosen));
        if (id == IDOK && offer.okEnabled(chosen)) {
            offer.accept(*chosen);
            EndDialog(dialog, 1);
        }
    };
    return runDialog(instance, owner, IDD_SUBSCRIBE, handlers).has_value();
}

} // namespace nearbeam
