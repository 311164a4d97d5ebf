#pragma once
// Where the program's windows and dialogs go: 20 pixels in from the bottom-right
// corner of the work area (the screen less the taskbar), keeping their size.

namespace nearbeam {

struct Box {
    long left = 0, top = 0, right = 0, bottom = 0;
};

struct Point {
    long x = 0, y = 0;
};

// The window's new top-left corner. Measured from the work area's size, so a work
// area that begins at the screen's origin leaves the 20-pixel margin exactly.
Point cornerPosition(const Box& window, const Box& workArea);

} // namespace nearbeam
