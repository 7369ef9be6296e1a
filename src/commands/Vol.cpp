#include <cmath>
#include <cstdint>
#include <limits>

#include "src/commands/PlayerCommands.h"
#include "src/session/Session.h"
#include "src/shared/Announcements.h"
#include "src/shared/Numbers.h"

namespace commands {

namespace {

// level x 25 - 2500, rounded, held inside the 32-bit range: a level far below
// zero is as quiet as the player gets, never an overflow.
std::int32_t PlayerVolume(double level) {
  double volume = RoundHalfEven(level * 25.0 - 2500.0);
  constexpr double kLowest = std::numeric_limits<std::int32_t>::min();
  constexpr double kHighest = std::numeric_limits<std::int32_t>::max();
  if (volume < kLowest) return std::numeric_limits<std::int32_t>::min();
  if (volume > kHighest) return std::numeric_limits<std::int32_t>::max();
  return static_cast<std::int32_t>(volume);
}

}  // namespace

void Vol(Session& s, const CommandLine& line) {
  const AolClient& aol = s.aol;
  if (line.text.size() <= 4) return;
  const QString argument = line.text.mid(line.firstSpace);
  aol.WaitSeconds(0);
  // A level that is not a number changes nothing and says nothing.
  auto level = ParseDecimal(argument);
  if (!level) return;
  if (*level > 100) {
    aol.SendRoomLine(MorvaLine("MP3 Volume Too High!!!"));
    return;
  }
  aol.WaitSeconds(0);
  s.MediaPlayer1.SetVolume(PlayerVolume(*level));
  aol.SendRoomLine(MorvaLine("Mp3 Volume At " + argument));
}

}  // namespace commands
