#pragma once

#include <algorithm>
#include <functional>
#include <map>

#include "src/seams/Runtime.h"

// A clock the test moves. Events are scheduled at clock times; an event pass
// that is allowed to wait jumps the clock to the next event or to its deadline.
class FakeRuntime : public Runtime {
 public:
  explicit FakeRuntime(double start = 1000.0) : now_(start) {}

  double Seconds() override { return now_; }

  void ProcessPendingEvents() override {
    ++passes_;
    RunDue();
  }

  void ProcessEventsUntil(double deadline) override {
    ++passes_;
    if (!scheduled_.empty() && scheduled_.begin()->first <= deadline) {
      now_ = std::max(now_, scheduled_.begin()->first);
    } else {
      now_ = std::max(now_, deadline);
    }
    RunDue();
  }

  std::uint64_t ClockSeed() override { return seed_++; }

  void At(double time, std::function<void()> event) { scheduled_.emplace(time, std::move(event)); }
  void After(double delay, std::function<void()> event) { At(now_ + delay, std::move(event)); }

  void SetNow(double now) { now_ = now; }
  void Advance(double seconds) { now_ += seconds; }
  int passes() const { return passes_; }
  void SetSeed(std::uint64_t seed) { seed_ = seed; }

 private:
  void RunDue() {
    while (!scheduled_.empty() && scheduled_.begin()->first <= now_) {
      auto event = std::move(scheduled_.begin()->second);
      scheduled_.erase(scheduled_.begin());
      event();
    }
  }

  double now_;
  std::multimap<double, std::function<void()>> scheduled_;
  int passes_ = 0;
  std::uint64_t seed_ = 1;
};
