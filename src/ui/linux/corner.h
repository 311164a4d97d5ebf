#pragma once
// Puts a top-level window, its frame included, 20 pixels in from the
// bottom-right corner of its screen's work area, at its present size. (Desktops
// that place windows themselves may ignore this.)

class QWidget;

namespace nearbeam {

void placeInCorner(QWidget* window);

// Places a window in the corner, shows it and brings it forward.
void showInCorner(QWidget* window);

// Brings a shown window forward (a minimised one back first).
void bringForward(QWidget* window);

} // namespace nearbeam
