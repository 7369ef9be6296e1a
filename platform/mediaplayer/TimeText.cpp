#include "platform/mediaplayer/TimeText.h"

#include <cmath>

QString TimeText(double seconds) {
  const auto whole = static_cast<long long>(std::floor(std::max(seconds, 0.0)));
  const long long h = whole / 3600;
  const long long m = (whole / 60) % 60;
  const long long s = whole % 60;
  if (h > 0) {
    return QStringLiteral("%1:%2:%3").arg(h).arg(m, 2, 10, QLatin1Char('0')).arg(s, 2, 10, QLatin1Char('0'));
  }
  return QStringLiteral("%1:%2").arg(m).arg(s, 2, 10, QLatin1Char('0'));
}
