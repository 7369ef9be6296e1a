#include <optional>

#include "src/commands/PlayCommands.h"
#include "src/library/Library.h"
#include "src/library/PlayOnTracks.h"
#include "src/library/Track.h"
#include "src/seams/ControlError.h"
#include "src/session/Session.h"
#include "src/shared/Announcements.h"
#include "src/shared/Numbers.h"

namespace commands {

namespace {

// A whole number in the 16-bit signed range, halves rounded to even.
std::optional<int> ListNumber(const QString& text) {
  auto value = ParseDecimal(text);
  if (!value) return std::nullopt;
  double whole = RoundHalfEven(*value);
  if (whole < -32768 || whole > 32767) return std::nullopt;
  return static_cast<int>(whole);
}

// The numbered pick: plays the chosen match. Its first failure ends it with
// one announcement; the choice stays pending.
void PlayNumber(Session& s, const CommandLine& line) {
  const AolClient& aol = s.aol;
  const QString refused = kWhitePrefix + kBullet + "Tarlo MP3  [Invaled Number]";

  std::optional<int> number = ListNumber(line.From(7));
  if (!number) return aol.SendRoomLine(refused);

  const QString name = s.List2.List(*number);
  const QString title = TrackTitle(name);
  if (title.isEmpty()) return aol.SendRoomLine(kWhitePrefix + kBullet + " Morva MP3 [Invaled Number]");

  try {
    library::OpenTrack(s, library::EntryTrack(s, name));
  } catch (const ControlError&) {
    return aol.SendRoomLine(refused);
  }
  aol.SendRoomLine(MorvaLine("Now Playing [" + title + "]"));
  s.SelectionPending = 0;
  s.List2.Clear();
}

}  // namespace

void Play(Session& s, const CommandLine& line) {
  const AolClient& aol = s.aol;
  // Until the numbered pick, a failing step is skipped and the next one runs.
  SkipFailure([&] {
    if (s.MediaPlayer1.PlayState() == MediaPlayerControl::kPlaying) {
      SkipFailure([&] { s.MediaPlayer1.Stop(); });
      aol.SendRoomLine(MorvaLine("MP3 Now Stopped"));
      aol.WaitSeconds(1);
    }
  });

  // Tested only now: the wait above may have changed it.
  if (s.SelectionPending) return PlayNumber(s, line);

  if (line.text.size() < 6) return;  // ".play" alone: no title to search for
  SkipFailure([&] { library::PlayIt(s, line.From(7)); });
}

void Cancel(Session& s, const CommandLine&) {
  // ".q"'s choice goes too: ".cancel" is the answer both prompts offer.
  s.playOn.choicePending = false;
  s.playOn.choice.clear();
  if (!s.SelectionPending) return;
  s.SelectionPending = 0;
  s.List2.Clear();
}

// A random file: selecting it plays and announces it; then it is opened and
// played once more, as the command always did. Every failing step is skipped.
void R(Session& s, const CommandLine&) {
  const int count = s.File1.ListCount();
  const int index = static_cast<int>(s.aol.RollUpTo(count)) - 1;
  SkipFailure([&] { s.File1.SetListIndex(index); });
  const HeldTrack track = library::EntryTrack(s, s.File1.FileName());
  SkipFailure([&] { library::OpenTrack(s, track); });
  SkipFailure([&] { s.MediaPlayer1.Play(); });
}

}  // namespace commands
