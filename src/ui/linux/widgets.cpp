#include "ui/linux/widgets.h"

#include "ui/corner_placement.h"

#include <QApplication>
#include <QDateTime>
#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QVariant>
#include <QWidget>

#include <optional>

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

namespace {

// When a window was shown in the corner: the one shown last is the one the next
// cascades from.
constexpr const char* kShownAt = "nearbeamShownAt";

Box boxOf(const QRect& rect) {
    return {rect.left(), rect.top(), rect.left() + rect.width(), rect.top() + rect.height()};
}

// The frame of the visible window shown in the corner last, other than window.
std::optional<Box> lastShown(const QWidget* window) {
    std::optional<Box> found;
    qint64 latest = -1;
    for (QWidget* other : QApplication::topLevelWidgets()) {
        const QVariant shownAt = other->property(kShownAt);
        if (other == window || !other->isVisible() || other->isMinimized() || !shownAt.isValid() ||
            shownAt.toLongLong() < latest)
            continue;
        latest = shownAt.toLongLong();
        found = boxOf(other->frameGeometry());
    }
    return found;
}

} // namespace

void placeInCorner(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    window->adjustSize();
    // By the frame: the title bar must not eat the margin. move() places the
    // frame's top-left corner; the size is the window's without its frame.
    const QRect frame = window->frameGeometry();
    const QRect work = screen->availableGeometry();
    const Box placed = placeWindow(boxOf(frame), boxOf(work), lastShown(window));
    const QSize border = frame.size() - window->size();
    const QSize inside(static_cast<int>(placed.right - placed.left) - border.width(),
                       static_cast<int>(placed.bottom - placed.top) - border.height());
    if (inside != window->size())
        window->resize(inside);
    window->move(static_cast<int>(placed.left), static_cast<int>(placed.top));
    if (!window->property(kShownAt).isValid())
        window->setProperty(kShownAt, QDateTime::currentMSecsSinceEpoch());
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
