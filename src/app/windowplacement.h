// Where the main window opens, from its saved top and left edges.
#pragma once

#include <QPoint>
#include <QSize>

namespace vimbo {

// A saved edge of 0 is centred on the screen; an edge at or beyond the
// screen's far side is pulled back so the window ends at that side.
// Returns the window's left (x) and top (y).
QPoint placeMainWindow(int savedTop, int savedLeft, QSize screen, QSize window);

} // namespace vimbo
