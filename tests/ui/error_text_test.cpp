#include "ui/error_text.h"

#include <gtest/gtest.h>

namespace nearbeam {
namespace {

TEST(ErrorBoxText, JoinsTheSystemTextWhenBothFitUnder256) {
    EXPECT_EQ(errorBoxText(L"Error creating window", L"Access is denied.\r\n"),
              L"Error creating window: Access is denied.\r\n");
    EXPECT_EQ(errorBoxText(L"Error creating window", L""), L"Error creating window");
    // 21 + 231 + 3 = 255 fits; one more character reaches 256 and does not.
    EXPECT_EQ(errorBoxText(L"Error creating window", std::wstring(231, L'x')).size(), 254u);
    EXPECT_EQ(errorBoxText(L"Error creating window", std::wstring(232, L'x')),
              L"Error creating window");
}

} // namespace
} // namespace nearbeam
