#include "ui/linux/widgets.h"

#include "ui/corner_placement.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

namespace nearbeam {

namespace {

bool framed(const QWidget* window) {
    return window->frameGeometry().size() != window->size();
}

// Places a window in the corner again once the window manager has put its frame
// around it: before it is first shown, the frame's size is not known.
class PlaceWhenFramed : public QObject {
  public:
    static constexpr const char* kName = "placeWhenFramed";

    explicit PlaceWhenFramed(QWidget* window) : QObject(window), window_(window) {
        setObjectName(QLatin1String(kName));
        window->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        const bool changed = event->type() == QEvent::Move || event->type() == QEvent::Resize;
        if (watched == window_ && changed && framed(window_)) {
            window_->removeEventFilter(this);
            placeInCorner(window_);
            deleteLater();
        }
        return false;
    }

  private:
    QWidget* window_;
};

} // namespace

void placeInCorner(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    window->adjustSize();
    // By the frame: the title bar must not eat the margin. move() places the
    // frame's top-left corner.
    const QRect frame = window->frameGeometry();
    const QRect work = screen->availableGeometry();
    const Point corner =
        cornerPosition({0, 0, frame.width(), frame.height()}, {0, 0, work.width(), work.height()});
    window->move(work.left() + static_cast<int>(corner.x), work.top() + static_cast<int>(corner.y));
    if (!framed(window) && !window->findChild<QObject*>(QLatin1String(PlaceWhenFramed::kName),
                                                        Qt::FindDirectChildrenOnly))
        new PlaceWhenFramed(window);
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
