#pragma once
// Drives the program's dialogs from a test as the user would: each control is
// changed and then tells its dialog, as it does when typed into, chosen from or
// pressed. The wizard's pages run over a copy of the demo data.

#include "support/temp_dir.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

namespace nearbeam::test {

inline std::filesystem::path demoDataFolder() {
    return std::filesystem::path(NEARBEAM_SOURCE_DIR) / "data" / "demo" / "data";
}

inline void copyDemoData(const TempDir& dir) {
    for (const auto& file : std::filesystem::directory_iterator(demoDataFolder()))
        std::filesystem::copy_file(file.path(), dir.path() / file.path().filename());
}

// The page a wizard's frame shows.
inline HWND shownPage(HWND frame) {
    for (HWND child = GetWindow(frame, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (IsWindowVisible(child))
            return child;
    return nullptr;
}

inline std::wstring text(HWND dialog, int id) {
    wchar_t buffer[512] = {};
    GetDlgItemTextW(dialog, id, buffer, 512);
    return buffer;
}

// The items of a combo box's list.
inline std::vector<std::wstring> items(HWND dialog, int id) {
    std::vector<std::wstring> list;
    const auto count = SendDlgItemMessageW(dialog, id, CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < count; ++i) {
        wchar_t buffer[256] = {};
        SendDlgItemMessageW(dialog, id, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(buffer));
        list.push_back(buffer);
    }
    return list;
}

inline void notify(HWND dialog, int id, WORD code) {
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(id, code),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

// As the user types into a combo box's field.
inline void type(HWND dialog, int id, const wchar_t* value) {
    SetDlgItemTextW(dialog, id, value);
    notify(dialog, id, CBN_EDITCHANGE);
}

// As the user picks an item of a combo box's list.
inline void choose(HWND dialog, int id, const wchar_t* item) {
    const auto index =
        SendDlgItemMessageW(dialog, id, CB_FINDSTRINGEXACT, -1, reinterpret_cast<LPARAM>(item));
    ASSERT_NE(index, CB_ERR) << "no item " << item;
    SendDlgItemMessageW(dialog, id, CB_SETCURSEL, index, 0);
    notify(dialog, id, CBN_SELCHANGE);
}

inline void press(HWND dialog, int id) {
    notify(dialog, id, BN_CLICKED);
}

} // namespace nearbeam::test
