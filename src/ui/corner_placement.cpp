#include "ui/corner_placement.h"

#include <algorithm>

namespace nearbeam {

Box placeWindow(const Box& window, const Box& workArea, const std::optional<Box>& lastOpen) {
    const long width = std::min(window.right - window.left, workArea.right - workArea.left);
    const long height = std::min(window.bottom - window.top, workArea.bottom - workArea.top);
    long right = workArea.right - kCornerMargin;
    long bottom = workArea.bottom - kCornerMargin;
    if (lastOpen) {
        right = lastOpen->right - kCascadeStep;
        bottom = lastOpen->bottom - kCascadeStep;
    }
    const long left = std::clamp(right - width, workArea.left, workArea.right - width);
    const long top = std::clamp(bottom - height, workArea.top, workArea.bottom - height);
    return {left, top, left + width, top + height};
}

Point cornerPosition(const Box& window, const Box& workArea) {
    const Box placed = placeWindow(window, workArea);
    return {placed.left, placed.top};
}

} // namespace nearbeam
