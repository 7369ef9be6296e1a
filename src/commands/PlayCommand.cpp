#include <optional>

#include "src/app/Form1.h"
#include "src/commands/LibraryCommands.h"
#include "src/controls/ControlError.h"
#include "src/library/Track.h"
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
void PlayNumber(Form1& form, const CommandLine& line) {
  const AolClient& aol = form.Aol();
  const QString refused = kWhitePrefix + kBullet + "Tarlo MP3  [Invaled Number]";

  std::optional<int> number = ListNumber(line.From(7));
  if (!number) return aol.SendRoomLine(refused);

  const QString name = form.List2->List(*number);
  const QString title = TrackTitle(name);
  if (title.isEmpty()) return aol.SendRoomLine(kWhitePrefix + kBullet + " Morva MP3 [Invaled Number]");

  try {
    form.MediaPlayer1.OpenFile(TrackPath(form.File1->Path(), name));
  } catch (const ControlError&) {
    return aol.SendRoomLine(refused);
  }
  aol.SendRoomLine(MorvaLine("Now Playing [" + title + "]"));
  form.SelectionPending = 0;
  form.List2->Clear();
}

}  // namespace

void Play(Form1& form, const CommandLine& line) {
  const AolClient& aol = form.Aol();
  // Until the numbered pick, a failing step is skipped and the next one runs.
  try {
    if (form.MediaPlayer1.PlayState() == MediaPlayerControl::kPlaying) {
      try {
        form.MediaPlayer1.Stop();
      } catch (const ControlError&) {
      }
      aol.SendRoomLine(MorvaLine("MP3 Now Stopped"));
      aol.WaitSeconds(1);
    }
  } catch (const ControlError&) {
  }

  // Tested only now: the wait above may have changed it.
  if (form.SelectionPending) return PlayNumber(form, line);

  if (line.text.size() < 6) return;  // ".play" alone: no title to search for
  try {
    form.PlayIt(line.From(7));
  } catch (const ControlError&) {
  }
}

void Cancel(Form1& form) {
  if (!form.SelectionPending) return;
  form.SelectionPending = 0;
  form.List2->Clear();
}

}  // namespace commands
