#include "platform/chatclient/LineClock.h"

#include <QDateTime>

QTime LineClock::Now() { return At(QDateTime::currentMSecsSinceEpoch()); }

QTime LineClock::At(qint64 msecsSinceEpoch) {
  // Also taken again when the system's clock was set back.
  if (!offsetTaken_ || msecsSinceEpoch < offsetTakenAt_ || msecsSinceEpoch - offsetTakenAt_ >= kOffsetLifeMs) {
    offsetMs_ = static_cast<qint64>(QDateTime::fromMSecsSinceEpoch(msecsSinceEpoch).offsetFromUtc()) * 1000;
    offsetTakenAt_ = msecsSinceEpoch;
    offsetTaken_ = true;
  }
  constexpr qint64 kDayMs = 24 * 60 * 60 * 1000;
  const qint64 ofDay = ((msecsSinceEpoch + offsetMs_) % kDayMs + kDayMs) % kDayMs;
  return QTime::fromMSecsSinceStartOfDay(static_cast<int>(ofDay));
}
