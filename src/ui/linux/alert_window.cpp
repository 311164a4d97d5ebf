#include "ui/linux/alert_window.h"

#include "ui/linux/widgets.h"

#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

namespace nearbeam {

AlertWindow::AlertWindow(const QString& title, const QString& text, bool leadsSomewhere,
                         std::function<void()> clicked)
    : QWidget(nullptr, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                           Qt::WindowDoesNotAcceptFocus),
      clicked_(std::move(clicked)) {
    setObjectName("alert");
    setAttribute(Qt::WA_DeleteOnClose);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setWindowTitle(title);
    auto* layout = new QVBoxLayout(this);
    auto* heading = new QLabel(title);
    heading->setObjectName("title");
    heading->setTextFormat(Qt::PlainText);
    QFont bold = heading->font();
    bold.setBold(true);
    heading->setFont(bold);
    auto* body = new QLabel(text);
    body->setObjectName("text");
    body->setTextFormat(Qt::PlainText);
    body->setWordWrap(true);
    layout->addWidget(heading);
    layout->addWidget(body);
    setMinimumWidth(240);
    setMaximumWidth(360);
    setAutoFillBackground(true);
    if (leadsSomewhere)
        setCursor(Qt::PointingHandCursor);
    shown_.setSingleShot(true);
    connect(&shown_, &QTimer::timeout, this, &QWidget::close);
}

void AlertWindow::showFor(int ms) {
    shown_.start(ms);
    // Shown, not activated: the user's typing stays where it was.
    placeInCorner(this);
    show();
    raise();
}

void AlertWindow::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    const std::function<void()> clicked = clicked_;
    close();
    if (clicked)
        clicked();
}

} // namespace nearbeam
