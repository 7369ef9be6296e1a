#include <cmath>
#include <cstdint>

#include "src/commands/PlayerCommands.h"
#include "src/session/Session.h"
#include "src/shared/Announcements.h"
#include "src/shared/Numbers.h"

namespace commands {

namespace {

// Minutes are counted one event pass each for a day's worth; a corrupt length
// beyond that is counted at once, so it can neither freeze nor overflow.
constexpr std::int64_t kCountedMinutes = 24 * 60;
constexpr double kLongestSeconds = 1e15;

}  // namespace

void Leng(Session& s, const CommandLine&) {
  double duration = s.MediaPlayer1.Duration();
  // Not a length at all (NaN, infinite, negative): nothing to count.
  if (!std::isfinite(duration) || duration < 0) duration = 0;
  if (duration > kLongestSeconds) duration = kLongestSeconds;

  auto total = static_cast<std::int64_t>(RoundHalfEven(duration));
  std::int64_t minutes = 0;
  while (total > 59 && minutes < kCountedMinutes) {
    s.runtime.ProcessPendingEvents();
    total -= 60;
    ++minutes;
  }
  minutes += total / 60;
  total %= 60;

  s.aol.SendRoomLine(MorvaLine("Song Length : " + QString::number(minutes).rightJustified(2, '0') + ":" +
                               QString::number(total).rightJustified(2, '0')));
}

}  // namespace commands
