#pragma once
// An alert in a small window of the program's own, for desktops where nobody
// else shows it (no notification service; a StatusNotifier tray shows no
// balloons, and there may be no tray at all): near the corner where the tray is,
// on top, taking no focus, gone after its time; a click follows the alert.

#include <QTimer>
#include <QWidget>

#include <functional>

class QLabel;

namespace nearbeam {

class AlertWindow : public QWidget {
    Q_OBJECT
  public:
    // clicked: the user clicked the alert (it closes then); leadsSomewhere: a
    // click does something, so the window says so with its cursor.
    AlertWindow(const QString& title, const QString& text, bool leadsSomewhere,
                std::function<void()> clicked);

    // Shows it in the corner for ms milliseconds; then it closes (and is deleted).
    void showFor(int ms);

  protected:
    void mouseReleaseEvent(QMouseEvent* event) override;

  private:
    std::function<void()> clicked_;
    QTimer shown_;
};

} // namespace nearbeam
