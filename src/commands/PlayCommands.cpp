#include <optional>

#include "src/app/Form1.h"
#include "src/commands/PlayCommands.h"
#include "src/seams/ControlError.h"
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
  SkipFailure([&] {
    if (form.MediaPlayer1.PlayState() == MediaPlayerControl::kPlaying) {
      SkipFailure([&] { form.MediaPlayer1.Stop(); });
      aol.SendRoomLine(MorvaLine("MP3 Now Stopped"));
      aol.WaitSeconds(1);
    }
  });

  // Tested only now: the wait above may have changed it.
  if (form.SelectionPending) return PlayNumber(form, line);

  if (line.text.size() < 6) return;  // ".play" alone: no title to search for
  SkipFailure([&] { form.PlayIt(line.From(7)); });
}

void Cancel(Form1& form) {
  if (!form.SelectionPending) return;
  form.SelectionPending = 0;
  form.List2->Clear();
}

// A random file: selecting it plays and announces it; then it is opened and
// played once more, as the command always did. Every failing step is skipped.
void R(Form1& form) {
  const int count = form.File1->ListCount();
  const int index = static_cast<int>(form.Aol().RollUpTo(count)) - 1;
  SkipFailure([&] { form.File1->SetListIndex(index); });
  const QString path = TrackPath(form.File1->Path(), form.File1->FileName());
  SkipFailure([&] { form.MediaPlayer1.OpenFile(path); });
  SkipFailure([&] { form.MediaPlayer1.Play(); });
}

}  // namespace commands
