#include "ui/win32/options_dialog.h"

#include "base/settings_keys.h"
#include "resource.h"
#include "ui/options_model.h"
#include "ui/win32/tool_window.h"

#include <commctrl.h>

#include <string>
#include <vector>

namespace nearbeam {
namespace {

constexpr const wchar_t* kTitle = L"Nearbeam Options";

struct OptionsState {
    const OptionsContext& context;
    std::vector<std::wstring> adapters; // the combo box's items
};

void addColumn(HWND list, int index, const wchar_t* title, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(title);
    column.cx = width;
    SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

void setCell(HWND list, int row, int column, const std::wstring& text) {
    LVITEMW item{};
    item.iSubItem = column;
    item.pszText = const_cast<wchar_t*>(text.c_str());
    SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
}

void fillSubscriptions(HWND dialog, const OptionsContext& context) {
    HWND list = GetDlgItem(dialog, IDC_OPTIONS_SUBSCRIPTIONS);
    SendMessageW(list, LVM_DELETEALLITEMS, 0, 0);
    int row = 0;
    for (const SubscriptionRow& subscription :
         subscriptionRows(context.subscriptions, context.database)) {
        LVITEMW item{};
        item.mask = LVIF_TEXT;
        item.iItem = row;
        item.pszText = const_cast<wchar_t*>(subscription.key.c_str());
        row = static_cast<int>(
            SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
        if (row < 0)
            return;
        setCell(list, row, 1, subscription.where);
        setCell(list, row, 2, subscription.url);
        ++row;
    }
}

void onInit(HWND dialog, OptionsState& state) {
    const OptionsContext& context = state.context;
    placeInCorner(dialog);

    HWND combo = GetDlgItem(dialog, IDC_OPTIONS_ADAPTER);
    state.adapters = adapterItems(context.device.listAdapters());
    for (const std::wstring& item : state.adapters)
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
    SendMessageW(
        combo, CB_SETCURSEL,
        initialAdapterItem(state.adapters, context.device.automatic(), context.device.deviceName()),
        0);

    CheckDlgButton(dialog, IDC_OPTIONS_ALERTS,
                   settings::read(context.settings, settings::LocationAlerts) != 0 ? BST_CHECKED
                                                                                   : BST_UNCHECKED);

    HWND list = GetDlgItem(dialog, IDC_OPTIONS_SUBSCRIPTIONS);
    SendMessageW(list, LVM_SETEXTENDEDLISTVIEWSTYLE, LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    addColumn(list, 0, L"ID", 0); // the key Delete passes on
    addColumn(list, 1, L"Where", 100);
    addColumn(list, 2, L"URL", 180);
    fillSubscriptions(dialog, context);
}

void onOk(HWND dialog, const OptionsState& state) {
    HWND combo = GetDlgItem(dialog, IDC_OPTIONS_ADAPTER);
    const int selected = static_cast<int>(SendMessageW(combo, CB_GETCURSEL, 0, 0));
    std::wstring typed(GetWindowTextLengthW(combo) + 1, L'\0');
    typed.resize(GetWindowTextW(combo, typed.data(), static_cast<int>(typed.size())));
    if (auto choice = adapterChoice(state.adapters, selected, typed))
        state.context.device.setDevice(*choice);
    settings::write(state.context.settings, settings::LocationAlerts,
                    IsDlgButtonChecked(dialog, IDC_OPTIONS_ALERTS) == BST_CHECKED ? 1 : 0);
    EndDialog(dialog, 1);
}

void onDelete(HWND dialog, const OptionsContext& context) {
    HWND list = GetDlgItem(dialog, IDC_OPTIONS_SUBSCRIPTIONS);
    const int row = static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
    if (row < 0)
        return;
    wchar_t key[1024] = {};
    LVITEMW item{};
    item.iSubItem = 0;
    item.pszText = key;
    item.cchTextMax = 1024;
    SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item));
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
    default: // Escape and the close box (IDCANCEL) leave the dialog open
        break;
    }
}

INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrW(dialog, DWLP_USER, lParam);
        onInit(dialog, *reinterpret_cast<OptionsState*>(lParam));
        return TRUE;
    }
    auto* state = reinterpret_cast<OptionsState*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!state || message != WM_COMMAND)
        return FALSE;
    // Only button clicks: the combo box's notifications carry its identifier too.
    if (HIWORD(wParam) == BN_CLICKED)
        onCommand(dialog, *state, LOWORD(wParam));
    return TRUE;
}

// The Options dialog of this process, if one is open.
HWND openDialog() {
    HWND found = nullptr;
    while ((found = FindWindowExW(nullptr, found, L"#32770", kTitle))) {
        DWORD process = 0;
        GetWindowThreadProcessId(found, &process);
        if (process == GetCurrentProcessId())
            return found;
    }
    return nullptr;
}

} // namespace

void showOptionsDialog(HINSTANCE instance, HWND owner, const OptionsContext& context) {
    if (HWND existing = openDialog()) {
        SetForegroundWindow(existing);
        return;
    }
    INITCOMMONCONTROLSEX controls{sizeof controls, ICC_LISTVIEW_CLASSES};
    InitCommonControlsEx(&controls);
    OptionsState state{context, {}};
    if (DialogBoxParamW(instance, MAKEINTRESOURCEW(IDD_OPTIONS), owner, procedure,
                        reinterpret_cast<LPARAM>(&state)) == -1) {
        showErrorBox(L"Error creating options dialog", L"Internal Error", -1);
    }
}

} // namespace nearbeam
