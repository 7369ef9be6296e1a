#include "platform/runtime/QtRuntime.h"

#include <chrono>
#include <cmath>

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

QtRuntime::QtRuntime() { clock_.start(); }

double QtRuntime::Seconds() { return static_cast<double>(clock_.nsecsElapsed()) / 1e9; }

void QtRuntime::ProcessPendingEvents() { QCoreApplication::processEvents(QEventLoop::AllEvents); }

void QtRuntime::ProcessEventsUntil(double deadline) {
  double remaining = deadline - Seconds();
  if (remaining <= 0) {
    ProcessPendingEvents();
    return;
  }
  // The timer's event wakes the dispatcher at the deadline when nothing else does.
  QTimer wake;
  wake.setSingleShot(true);
  wake.setTimerType(Qt::PreciseTimer);
  wake.start(static_cast<int>(std::ceil(remaining * 1000.0)));
  QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents);
}

std::uint64_t QtRuntime::ClockSeed() {
  return static_cast<std::uint64_t>(std::chrono::system_clock::now().time_since_epoch().count());
}
