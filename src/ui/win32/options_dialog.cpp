#include "ui/win32/options_dialog.h"

#include "base/settings_keys.h"
#include "resource.h"
#include "ui/options_model.h"
#include "ui/win32/controls.h"
#include "ui/win32/modal_dialog.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace nearbeam {
namespace {

struct OptionsState {
    OptionsContext& context;
    std::vector<std::wstring> adapters; // the combo box's items
};

void fillSubscriptions(HWND dialog, const OptionsContext& context) {
    HWND list = GetDlgItem(dialog, IDC_OPTIONS_SUBSCRIPTIONS);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    for (const SubscriptionRow& subscription :
         subscriptionRows(context.subscriptions, context.database)) {
        if (addListRow(list, {subscription.key, subscription.where, subscription.url}) < 0)
            return;
    }
}

void onInit(HWND dialog, OptionsState& state) {
    const OptionsContext& context = state.context;
    state.adapters = adapterItems(context.device.listAdapters());
    addComboItems(dialog, IDC_OPTIONS_ADAPTER, state.adapters);
    setComboSelection(dialog, IDC_OPTIONS_ADAPTER,
                      initialAdapterItem(state.adapters, context.device.automatic(),
                                         context.device.deviceName()));

    CheckDlgButton(dialog, IDC_OPTIONS_ALERTS,
                   settings::read(context.settings, settings::LocationAlerts) != 0 ? BST_CHECKED
                                                                                   : BST_UNCHECKED);

    HWND list = GetDlgItem(dialog, IDC_OPTIONS_SUBSCRIPTIONS);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    addListColumn(list, 0, L"ID", 0); // the key Delete passes on
    addListColumn(list, 1, L"Where", 100);
    addListColumn(list, 2, L"URL", 180);
    fillSubscriptions(dialog, context);
}

void onOk(HWND dialog, const OptionsState& state) {
    const int selected = comboSelection(dialog, IDC_OPTIONS_ADAPTER);
    const std::wstring typed = fieldText(dialog, IDC_OPTIONS_ADAPTER);
    if (auto choice = adapterChoice(state.adapters, selected, typed))
        state.context.device.setDevice(*choice);
    settings::write(state.context.settings, settings::LocationAlerts,
                    IsDlgButtonChecked(dialog, IDC_OPTIONS_ALERTS) == BST_CHECKED ? 1 : 0);
    EndDialog(dialog, 1);
}

void onDelete(HWND dialog, const OptionsContext& context) {
    HWND list = GetDlgItem(dialog, IDC_OPTIONS_SUBSCRIPTIONS);
    const int row = selectedListRow(list);
    if (row < 0)
        return;
    const std::wstring key = listCellText(list, row, 0);
    SendMessageW(list, LVM_DELETEITEM, row, 0);
    context.subscriptions.removeSubscription(key);
    // Show what the file now holds, also when it could not be rewritten.
    fillSubscriptions(dialog, context);
}

void onClearCache(HWND dialog, const OptionsContext& context) {
    const bool cleared = clearDataCache(context.database, [dialog] {
        return MessageBoxW(dialog, kClearCacheQuestion, L"Nearbeam", MB_OKCANCEL) == IDOK;
    });
    if (cleared)
        EnableWindow(GetDlgItem(dialog, IDC_OPTIONS_CLEAR_CACHE), FALSE);
}

void onCommand(HWND dialog, OptionsState& state, int command) {
    switch (command) {
    case IDOK:
        onOk(dialog, state);
        break;
    case IDC_OPTIONS_RECALIBRATE:
        state.context.device.calibration().reset();
        EnableWindow(GetDlgItem(dialog, IDC_OPTIONS_RECALIBRATE), FALSE);
        break;
    case IDC_OPTIONS_CLEAR_CACHE:
        onClearCache(dialog, state.context);
        break;
    case IDC_OPTIONS_DELETE:
        onDelete(dialog, state.context);
        break;
    case IDC_OPTIONS_SHARING:
        if (state.context.sharingHistory)
            state.context.sharingHistory();
        break;
    case IDCANCEL:
        // Cancel, Escape and the close box: the alerts switch and the adapter stay
        // as they were (what the other buttons did is done already).
        EndDialog(dialog, 0);
        break;
    default:
        break;
    }
}

} // namespace

void openOptionsDialog(HINSTANCE instance, HWND owner, OptionsContext& context) {
    if (bringForwardIfOpen(context.open))
        return;
    OptionsState state{context, {}};
    DialogHandlers handlers;
    handlers.failure = L"Error creating options dialog";
    handlers.open = &context.open;
    handlers.commonControls = ICC_LISTVIEW_CLASSES;
    handlers.init = [&state](HWND dialog) { onInit(dialog, state); };
    handlers.command =
        buttonClicks([&state](HWND dialog, int id) { onCommand(dialog, state, id); });
    runDialog(instance, owner, IDD_OPTIONS, handlers);
}

} // namespace nearbeam
