#pragma once

#include <functional>

#include <QCoreApplication>
#include <QDeadlineTimer>

// Handles events until the condition holds; false when it did not within the
// time limit (a guard against hanging, not a timing).
inline bool ProcessEventsUntil(const std::function<bool()>& condition, int limitMs = 5000) {
  QDeadlineTimer deadline(limitMs);
  while (!condition()) {
    if (deadline.hasExpired()) return false;
    QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 20);
  }
  return true;
}

// Handles every event that is pending now.
inline void DrainEvents() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}
