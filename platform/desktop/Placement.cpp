#include "platform/desktop/Placement.h"

#include <algorithm>

QPoint PlaceBesideColumn(const QRect& area, const QSize& size, int keepClearWidth, int keepClearHeight) {
  constexpr int kGap = 8;
  const int besideWidth = area.width() - keepClearWidth - kGap;
  const int centredTop = area.y() + std::max(0, (area.height() - size.height()) / 2);
  if (size.width() <= besideWidth) return {area.x() + (besideWidth - size.width()) / 2, centredTop};
  const int left = area.x() + std::max(0, (area.width() - size.width()) / 2);
  return {left, std::max(centredTop, area.y() + keepClearHeight + kGap)};
}
