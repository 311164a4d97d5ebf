// Where windows open: the corner, the cascade, the work area.

#include "ui/corner_placement.h"

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

TEST(PlaceWindow, CornerThenCascadeAlwaysWithinTheWorkArea) {
    const Box screen{0, 0, 1280, 984};
    const Box topBar{0, 40, 1280, 1024}; // a taskbar at the top
    struct Case {
        const char* what;
        Box window, work;
        std::optional<Box> last;
        Box placed;
    };
    const Case cases[] = {
        {"the corner", {0, 0, 280, 340}, screen, {}, {980, 624, 1260, 964}},
        {"its own position does not matter",
         {500, 100, 780, 440},
         screen,
         {},
         {980, 624, 1260, 964}},
        {"a work area that does not start at the origin",
         {0, 0, 280, 340},
         topBar,
         {},
         {980, 664, 1260, 1004}},
        {"cascaded from the last one open",
         {0, 0, 600, 500},
         screen,
         Box{980, 624, 1260, 964},
         {628, 432, 1228, 932}},
        {"the cascade stops at the work area's edge",
         {0, 0, 600, 500},
         screen,
         Box{0, 0, 300, 200},
         {0, 0, 600, 500}},
        {"600x840 on a 1280x800 screen shrinks to it",
         {0, 0, 600, 840},
         Box{0, 0, 1280, 800},
         {},
         {660, 0, 1260, 800}},
        {"wider than the screen", {0, 0, 1400, 300}, screen, {}, {0, 664, 1280, 964}},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(placeWindow(c.window, c.work, c.last), c.placed) << c.what;
    }
}

} // namespace
} // namespace nearbeam::test
