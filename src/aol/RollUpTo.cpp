#include <cmath>
#include <random>

#include "src/aol/AolClient.h"

double AolClient::RollUpTo(double n) const {
  // Seeded anew from the clock on every call.
  std::mt19937_64 generator(runtime_.ClockSeed());
  // 24 random bits make a float fraction in [0, 1) with no rounding up to 1.
  const float fraction = static_cast<float>(generator() >> 40) / 16777216.0f;
  return std::floor(n * static_cast<double>(fraction) + 1.0);
}
