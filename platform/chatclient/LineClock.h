#pragma once

#include <QTime>
#include <QtGlobal>

// The time of day a chat line is shown at. Asking the system for the local
// time checks the time zone file on every call; a busy room asks for every
// line. This clock reads the zone's offset once a minute and adds it to the
// system's time, so a change of the clocks (summer time) shows within a
// minute.
class LineClock {
 public:
  static constexpr qint64 kOffsetLifeMs = 60 * 1000;

  QTime Now();
  // The same at a given moment, in milliseconds since the epoch.
  QTime At(qint64 msecsSinceEpoch);

 private:
  qint64 offsetMs_ = 0;
  bool offsetTaken_ = false;
  qint64 offsetTakenAt_ = 0;
};
