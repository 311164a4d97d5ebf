#include "ui/linux/widgets.h"

#include "ui/corner_placement.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace nearbeam {

void placeInCorner(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    window->adjustSize();
    const QRect work = screen->availableGeometry();
    const Point corner =
        cornerPosition({0, 0, window->width(), window->height()},
                       {work.left(), work.top(), work.right() + 1, work.bottom() + 1});
    window->move(static_cast<int>(corner.x), static_cast<int>(corner.y));
}

void showInCorner(QWidget* window) {
    placeInCorner(window);
    window->show();
    bringForward(window);
}

void bringForward(QWidget* window) {
    window->setWindowState(window->windowState() & ~Qt::WindowMinimized);
    window->raise();
    window->activateWindow();
}

QPushButton* makeButton(const QString& text, const char* name) {
    auto* button = new QPushButton(text);
    button->setObjectName(name);
    button->setAutoDefault(false);
    return button;
}

} // namespace nearbeam
