#include "ui/corner_placement.h"

namespace nearbeam {

Point cornerPosition(const Box& window, const Box& workArea) {
    const long width = window.right - window.left;
    const long height = window.bottom - window.top;
    return {(workArea.right - workArea.left) - width - 20,
            (workArea.bottom - workArea.top) - height - 20};
}

} // namespace nearbeam
