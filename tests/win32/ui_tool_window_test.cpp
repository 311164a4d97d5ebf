// The tool-window frame: one frame per class and title, in the corner.

#include "ui/win32/tool_window.h"

#include <windows.h>

#include <gtest/gtest.h>

namespace nearbeam {
namespace {

constexpr int kTestTemplate = 9001;

INT_PTR CALLBACK testDialog(HWND, UINT message, WPARAM, LPARAM) {
    return message == WM_INITDIALOG;
}

LRESULT CALLBACK testFrame(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcW(window, message, wParam, lParam);
}

int framesOf(const wchar_t* className) {
    int count = 0;
    for (HWND w = FindWindowExW(nullptr, nullptr, className, nullptr); w;
         w = FindWindowExW(nullptr, w, className, nullptr))
        ++count;
    return count;
}

TEST(ToolWindow, OpensOnceInTheCornerAndASecondOpenReturnsTheSameFrame) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND first = openToolWindow(instance, L"toolTest", L"Tool", 101, 0, kTestTemplate, testFrame,
                                testDialog);
    ASSERT_NE(first, nullptr);
    HWND second = openToolWindow(instance, L"toolTest", L"Tool", 101, 0, kTestTemplate, testFrame,
                                 testDialog);
    EXPECT_EQ(second, first);
    EXPECT_EQ(framesOf(L"toolTest"), 1);
    EXPECT_NE(GetWindow(first, GW_CHILD), nullptr); // the dialog fills it

    RECT rect = {};
    RECT work = {};
    GetWindowRect(first, &rect);
    SystemParametersInfoW(SPI_GETWORKAREA, 0, &work, 0);
    EXPECT_EQ(rect.right - rect.left, 280);
    EXPECT_EQ(rect.bottom - rect.top, 340);
    EXPECT_EQ(rect.left, (work.right - work.left) - 280 - 20);
    EXPECT_EQ(rect.top, (work.bottom - work.top) - 340 - 20);
    DestroyWindow(first);
}

TEST(ToolWindow, AFrameWhoseDialogFailsIsNotLeftBehind) {
    HINSTANCE instance = GetModuleHandleW(nullptr);
    EXPECT_EQ(openToolWindow(instance, L"toolTestBad", L"Bad", 101, 0, 9999, testFrame, testDialog),
              nullptr);
    EXPECT_EQ(framesOf(L"toolTestBad"), 0);
}

} // namespace
} // namespace nearbeam
