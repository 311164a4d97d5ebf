#include "ui/win32/controls.h"

#include <commctrl.h>

namespace nearbeam {

std::wstring fieldText(HWND dialog, int id) {
    HWND control = GetDlgItem(dialog, id);
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(control)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(control, text.data(), int(text.size()))));
    return text;
}

void setFieldText(HWND dialog, int id, const std::wstring& text) {
    SetDlgItemTextW(dialog, id, text.c_str());
}

void limitField(HWND dialog, int id, int chars) {
    HWND control = GetDlgItem(dialog, id);
    wchar_t className[16] = {};
    GetClassNameW(control, className, 16);
    const UINT limit = lstrcmpiW(className, L"ComboBox") == 0 ? CB_LIMITTEXT : EM_LIMITTEXT;
    SendMessageW(control, limit, static_cast<WPARAM>(chars), 0);
}

void fillCombo(HWND dialog, int id, const std::vector<std::wstring>& items) {
    SendDlgItemMessageW(dialog, id, CB_RESETCONTENT, 0, 0);
    addComboItems(dialog, id, items);
}

void addComboItems(HWND dialog, int id, const std::vector<std::wstring>& items) {
    for (const std::wstring& item : items)
        SendDlgItemMessageW(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(item.c_str()));
}

int comboSelection(HWND dialog, int id) {
    const LRESULT chosen = SendDlgItemMessageW(dialog, id, CB_GETCURSEL, 0, 0);
    return chosen == CB_ERR ? -1 : static_cast<int>(chosen);
}

void setComboSelection(HWND dialog, int id, int index) {
    SendDlgItemMessageW(dialog, id, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
}

std::wstring comboItemText(HWND dialog, int id, int index) {
    const LRESULT length = SendDlgItemMessageW(dialog, id, CB_GETLBTEXTLEN, index, 0);
    if (length == CB_ERR)
        return {};
    std::wstring text(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT copied =
        SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, index, reinterpret_cast<LPARAM>(text.data()));
    text.resize(copied == CB_ERR ? 0 : static_cast<size_t>(copied));
    return text;
}

void addListColumn(HWND list, int index, const wchar_t* title, int width) {
    LVCOLUMNW column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = const_cast<wchar_t*>(title);
    column.cx = width;
    SendMessageW(list, LVM_INSERTCOLUMNW, index, reinterpret_cast<LPARAM>(&column));
}

int addListRow(HWND list, const std::vector<std::wstring>& cells) {
    if (cells.empty())
        return -1;
    LVITEMW item{};
    item.mask = LVIF_TEXT;
    item.iItem = static_cast<int>(SendMessageW(list, LVM_GETITEMCOUNT, 0, 0));
    item.pszText = const_cast<wchar_t*>(cells[0].c_str());
    const int row =
        static_cast<int>(SendMessageW(list, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item)));
    if (row < 0)
        return -1;
    for (size_t column = 1; column < cells.size(); ++column) {
        LVITEMW cell{};
        cell.iSubItem = static_cast<int>(column);
        cell.pszText = const_cast<wchar_t*>(cells[column].c_str());
        SendMessageW(list, LVM_SETITEMTEXTW, row, reinterpret_cast<LPARAM>(&cell));
    }
    return row;
}

int selectedListRow(HWND list) {
    return static_cast<int>(SendMessageW(list, LVM_GETNEXTITEM, -1, LVNI_SELECTED));
}

std::wstring listCellText(HWND list, int row, int column) {
    // The control says only how much it copied: grow until the text fits.
    for (size_t capacity = 256;; capacity *= 2) {
        std::wstring text(capacity, L'\0');
        LVITEMW item{};
        item.iSubItem = column;
        item.pszText = text.data();
        item.cchTextMax = static_cast<int>(capacity);
        const auto copied = static_cast<size_t>(
            SendMessageW(list, LVM_GETITEMTEXTW, row, reinterpret_cast<LPARAM>(&item)));
        if (copied + 1 < capacity || capacity >= (size_t(1) << 20)) {
            text.resize(copied);
            return text;
        }
    }
}

} // namespace nearbeam
