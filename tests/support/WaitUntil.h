#pragma once

#include <chrono>
#include <functional>
#include <thread>

#include <QCoreApplication>

// Waits until a condition holds that a worker thread or the event loop makes
// true, handling the test thread's events meanwhile; false when it did not
// within the limit. The limit guards against a hang and is never a timing.
inline bool WaitUntil(const std::function<bool()>& condition,
                      std::chrono::milliseconds limit = std::chrono::seconds(10)) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  while (!condition()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

// Handles every event that is pending now.
inline void DrainEvents() {
  for (int i = 0; i < 3; ++i) QCoreApplication::processEvents();
}
