#pragma once
// Reading and writing the controls of a dialog: fields, combo boxes and report
// list views. Texts are read whole, however long.

#include <windows.h>

#include <string>
#include <vector>

namespace nearbeam {

// The whole text of a dialog's control (a field, a combo box's field, a button).
std::wstring fieldText(HWND dialog, int id);
void setFieldText(HWND dialog, int id, const std::wstring& text);
// At most this many characters typed into a field or a combo box's field.
void limitField(HWND dialog, int id, int chars);

// Empties the combo box's list (and so its field) and adds the items in order.
void fillCombo(HWND dialog, int id, const std::vector<std::wstring>& items);
void addComboItems(HWND dialog, int id, const std::vector<std::wstring>& items);
// The chosen item's index, or -1.
int comboSelection(HWND dialog, int id);
void setComboSelection(HWND dialog, int id, int index);
// An item's whole text; empty when there is no such item.
std::wstring comboItemText(HWND dialog, int id, int index);

// A report list view's column, and its rows: one text per column.
void addListColumn(HWND list, int index, const wchar_t* title, int width);
// The new row's index, or -1 when it could not be added.
int addListRow(HWND list, const std::vector<std::wstring>& cells);
// The first selected row, or -1.
int selectedListRow(HWND list);
std::wstring listCellText(HWND list, int row, int column);

} // namespace nearbeam
