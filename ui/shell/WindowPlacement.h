#pragma once

#include <QRect>

class QWidget;

namespace zarvik {

// The rect kept as it is when it lies inside `area`; otherwise moved by the least amount that
// brings it inside, and only where it is larger than the area, shrunk to the area's size.
QRect FitIntoArea(const QRect &wanted, const QRect &area);

// Places a top-level window at `wanted` (frame position and client size), fitted into the
// available geometry of the screen that holds the rect's centre (or the primary screen).
// The window's frame margins, where already known, count as part of the window.
void PlaceOnScreen(QWidget &window, const QRect &wanted);

} // namespace zarvik
