#pragma once

#include <ctime>

// The CPU time this process has used so far, in seconds, the kernel's work
// for it included: unlike the wall clock, it does not count the time other
// programs on a busy machine take, nor the time the process sleeps.
inline double ProcessCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}

// The CPU time the calling thread has used so far, in seconds: what one
// thread's work costs, without what other threads of the process do.
inline double ThreadCpuSeconds() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
}
