// Where the main window opens, from its saved top and left edges.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace vimbo {

// The edges are desktop coordinates and `screen` is where the primary screen
// lies on the desktop, which need not start at (0, 0). A saved edge of 0 is
// centred on that screen; an edge at or beyond its far side is pulled back so
// the window ends at that side. Returns the window's left (x) and top (y).
QPoint placeMainWindow(int savedTop, int savedLeft, QRect screen, QSize window);

} // namespace vimbo
