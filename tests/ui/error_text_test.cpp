#include "ui/corner_placement.h"
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

TEST(CornerPosition, LeavesTwentyPixelsToTheWorkAreasRightAndBottom) {
    struct Case {
        Box window, work;
        Point expected;
    } cases[] = {
        {{0, 0, 280, 340}, {0, 0, 1280, 984}, {980, 624}},
        {{500, 100, 780, 440}, {0, 0, 1280, 984}, {980, 624}}, // position does not matter
        {{0, 0, 280, 340}, {0, 40, 1280, 1024}, {980, 624}},   // taskbar at the top
    };
    for (const Case& c : cases) {
        const Point p = cornerPosition(c.window, c.work);
        EXPECT_EQ(p.x, c.expected.x);
        EXPECT_EQ(p.y, c.expected.y);
    }
}

} // namespace
} // namespace nearbeam
