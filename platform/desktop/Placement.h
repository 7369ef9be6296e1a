#pragma once

#include <QRect>
#include <QSize>

// Where a window of `size` opens in the screen area `area` so that it keeps
// clear of a column `keepClearWidth` pixels wide at the area's right edge
// (where the Morva window sits): centred in what is left of the area beside
// that column, or, where the area is too narrow for both, under the column's
// first `keepClearHeight` pixels. The result is the top left of the window's
// frame.
QPoint PlaceBesideColumn(const QRect& area, const QSize& size, int keepClearWidth, int keepClearHeight);
