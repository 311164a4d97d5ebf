// Windows in the corner of the work area, placed by their frame.

#include "ui/linux/widgets.h"

#include <QDialog>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace nearbeam::test {
namespace {

TEST(Corner, TheFrameEndsTwentyPixelsInFromTheWorkAreasCorner) {
    QDialog dialog;
    dialog.resize(300, 200);
    showInCorner(&dialog);
    const QRect work = dialog.screen()->availableGeometry();
    // Whenever the frame is known, the window is where it belongs.
    const auto inCorner = [&] {
        const QRect frame = dialog.frameGeometry();
        return frame.size() != dialog.size() &&
               frame.x() + frame.width() == work.x() + work.width() - 20 &&
               frame.y() + frame.height() == work.y() + work.height() - 20;
    };
    EXPECT_TRUE(QTest::qWaitFor(inCorner, 30000))
        << dialog.frameGeometry().x() << "," << dialog.frameGeometry().y() << " "
        << dialog.frameGeometry().width() << "x" << dialog.frameGeometry().height();
}

} // namespace
} // namespace nearbeam::test
