#pragma once
// Small helpers the program's Qt windows share: placing a window in the corner of
// the screen's work area, bringing one forward, opening a dialog or bringing the
// open one forward, and the dialogs' buttons.

#include <QPointer>
#include <QPushButton>
#include <QString>
#include <QWidget>

namespace nearbeam {

// Puts a top-level window, its frame included, 20 pixels in from the
// bottom-right corner of its screen's work area, or cascaded from the window
// placed so last that is still shown, always within the work area (placeWindow);
// at its present size unless that is larger than the work area. (Desktops that
// place windows themselves may ignore this.)
void placeInCorner(QWidget* window);

// Places a window in the corner, shows it and brings it forward.
void showInCorner(QWidget* window);

// Brings a shown window forward, a minimised one back first (keeping it
// maximised when it was).
void bringForward(QWidget* window);

// The window remembered in open while it is shown, brought forward; else a new
// one from make, deleted when closed, remembered in open and shown in the corner.
template <typename Window, typename Make> Window* openOrRaise(QPointer<Window>& open, Make make) {
    if (Window* shown = open; shown && shown->isVisible()) {
        bringForward(shown);
        return shown;
    }
    Window* window = make();
    window->setAttribute(Qt::WA_DeleteOnClose);
    open = window;
    showInCorner(window);
    return window;
}

// A button that Enter does not press unless it is the default one; tests find it
// by name.
QPushButton* makeButton(const QString& text, const char* name);

} // namespace nearbeam
