#include "windowplacement.h"

namespace vimbo {

QPoint placeMainWindow(int savedTop, int savedLeft, QSize screen, QSize window)
{
    int top = savedTop;
    int left = savedLeft;
    // Each half is truncated toward zero on its own, as integer division does.
    if (top == 0)
        top = screen.height() / 2 - window.height() / 2;
    if (left == 0)
        left = screen.width() / 2 - window.width() / 2;
    if (top >= screen.height())
        top = screen.height() - window.height();
    if (left >= screen.width())
        left = screen.width() - window.width();
    return {left, top};
}

} // namespace vimbo
