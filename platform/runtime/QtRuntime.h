#pragma once

#include <QElapsedTimer>

#include "src/seams/Runtime.h"

// The runtime on Qt's event loop: a monotonic clock, event passes that block
// in the event dispatcher instead of spinning.
class QtRuntime : public Runtime {
 public:
  QtRuntime();

  double Seconds() override;
  void ProcessPendingEvents() override;
  void ProcessEventsUntil(double deadline) override;
  std::uint64_t ClockSeed() override;

 private:
  QElapsedTimer clock_;
};
