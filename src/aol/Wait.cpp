#include "src/aol/AolClient.h"
#include "src/shared/Numbers.h"

void AolClient::WaitSeconds(std::int32_t seconds) const {
  // The start mark is the clock rounded to a whole second, so the wait lasts
  // from n - 0.5 to n + 0.5 seconds.
  const double start = RoundHalfEven(runtime_.Seconds());
  const double deadline = start + seconds;
  while (runtime_.Seconds() - start < seconds) runtime_.ProcessEventsUntil(deadline);
}
