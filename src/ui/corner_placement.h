#pragma once
// Where the program's windows and dialogs go: 20 pixels in from the bottom-right
// corner of the work area (the screen less the taskbar or panels). A page window
// opened while another is open is cascaded from the last one opened, so that
// neither hides the other; and every window stays within the work area.

#include <optional>

namespace nearbeam {

struct Box {
    long left = 0, top = 0, right = 0, bottom = 0;
    friend bool operator==(const Box& a, const Box& b) {
        return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
    }
};

struct Point {
    long x = 0, y = 0;
};

// How far a cascaded window's corner lies up and left of the last one's.
inline constexpr long kCascadeStep = 32;
// The margin to the work area's right and bottom edges.
inline constexpr long kCornerMargin = 20;

// The window's new frame (its size is kept unless it is larger than the work
// area, then it shrinks to it). lastOpen: the frame of the page window opened
// last and still open; its bottom-right corner, kCascadeStep up and left, is the
// new one's. The window's own position does not matter.
Box placeWindow(const Box& window, const Box& workArea, const std::optional<Box>& lastOpen = {});

// The window's new top-left corner, without a cascade.
Point cornerPosition(const Box& window, const Box& workArea);

} // namespace nearbeam
