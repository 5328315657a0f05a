#include "windowplacement.h"

namespace vimbo {

QPoint placeMainWindow(int savedTop, int savedLeft, QRect screen, QSize window)
{
    int top = savedTop;
    int left = savedLeft;
    // Each half is truncated toward zero on its own, as integer division does.
    if (top == 0)
        top = screen.y() + screen.height() / 2 - window.height() / 2;
    if (left == 0)
        left = screen.x() + screen.width() / 2 - window.width() / 2;
    const int bottom = screen.y() + screen.height();
    const int right = screen.x() + screen.width();
    if (top >= bottom)
        top = bottom - window.height();
    if (left >= right)
        left = right - window.width();
    return {left, top};
}

} // namespace vimbo
