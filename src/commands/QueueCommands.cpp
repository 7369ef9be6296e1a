#include "src/commands/QueueCommands.h"

#include <vector>

#include "src/library/PlayOnTracks.h"
#include "src/library/TitleMatch.h"
#include "src/library/Track.h"
#include "src/session/Session.h"
#include "src/shared/Announcements.h"
#include "src/shared/Numbers.h"

namespace commands {

namespace {

// Neither playing nor paused: a track added now starts at once.
bool Idle(const Session& s) {
  const int state = s.MediaPlayer1.PlayState();
  return state != MediaPlayerControl::kPlaying && state != MediaPlayerControl::kPaused;
}

// One numbered line, as the title search lists its matches.
QString NumberedLine(std::size_t k, const QString& entry) {
  return Red(kBullet + "  [" + QString::number(k) + ") " + entry + "]");
}

QString ChoicePrompt(std::size_t count) {
  return Red(kBullet + " Morva MP3  [Type ''.q'' And 0 - " + QString::number(count - 1) + " Or ''.cancel'']");
}

// Puts the track at the end of the queue; when nothing plays, the queue
// starts at once.
void Enqueue(Session& s, const HeldTrack& track) {
  s.playOn.queue.push_back(track);
  if (Idle(s)) {
    library::PlayNext(s);
    return;
  }
  s.aol.SendRoomLine(MorvaLine("Queued [" + TrackTitle(track.entry) + "] " + kMiddleDot + " " +
                               QString::number(s.playOn.queue.size()) + " In Queue"));
}

// ".q" alone: the queue as it is now, one line a second.
void ListQueue(Session& s) {
  if (s.playOn.queue.empty()) return s.aol.SendRoomLine(MorvaLine("Queue Is Empty"));
  // A copy: commands handled during the waits may change the queue.
  const std::vector<HeldTrack> shown(s.playOn.queue.begin(), s.playOn.queue.end());
  s.aol.SendRoomLine(MorvaLine("Queued MP3s [" + QString::number(shown.size()) + "]"));
  for (std::size_t k = 0; k < shown.size(); ++k) {
    s.aol.SendRoomLine(NumberedLine(k, shown[k].entry));
    s.aol.WaitSeconds(1);
  }
}

// ".q NUMBER" while ".q"'s choice waits: queues that match. Anything else
// shows the prompt again and the choice keeps waiting.
void QueueChoice(Session& s, const QString& argument) {
  PlayOn& p = s.playOn;
  const std::optional<double> number = ParseDecimal(argument);
  const double k = number ? RoundHalfEven(*number) : -1;
  if (k < 0 || k >= static_cast<double>(p.choice.size())) return s.aol.SendRoomLine(ChoicePrompt(p.choice.size()));
  const HeldTrack track = p.choice[static_cast<std::size_t>(k)];
  p.choicePending = false;
  p.choice.clear();
  Enqueue(s, track);
}

// ".q WORDS": the title search of ".play", into the queue. Several matches
// are listed a second apart and wait for ".q NUMBER" in a choice of
// ".q"'s own, so that a pending ".play" choice is neither taken nor lost.
void QueueSearch(Session& s, const QString& searchText) {
  const FileNames& names = s.File1.Names();
  std::vector<HeldTrack> matches;
  for (const int entry : TitleMatch(searchText).MatchingEntries(names))
    matches.push_back(library::EntryTrack(s, names.Name(entry)));

  if (matches.empty()) return s.aol.SendRoomLine(Red(kBullet + " Morva MP3  [No Strings Found]"));
  if (matches.size() == 1) return Enqueue(s, matches.front());

  s.aol.SendRoomLine(Red(kBullet + " Morva MP3  [Multiple Strings Found]"));
  for (std::size_t k = 0; k < matches.size(); ++k) {
    s.aol.SendRoomLine(NumberedLine(k, matches[k].entry));
    s.aol.WaitSeconds(1);
  }
  s.aol.SendRoomLine(ChoicePrompt(matches.size()));
  s.playOn.choice = std::move(matches);
  s.playOn.choicePending = true;
}

}  // namespace

void Q(Session& s, const CommandLine& line) {
  if (line.text.size() < 3) return ListQueue(s);  // ".q" alone
  const QString argument = line.From(4);
  if (s.playOn.choicePending) return QueueChoice(s, argument);
  QueueSearch(s, argument);
}

void XQ(Session& s, const CommandLine&) {
  s.playOn.queue.clear();
  s.aol.SendRoomLine(MorvaLine("MP3 Queue is Now Empty"));
}

// Starts (or keeps) a shuffle through the whole folder; when nothing plays,
// its first track starts at once.
void Shuffle(Session& s, const CommandLine&) {
  s.playOn.shuffle = true;
  s.playOn.gone.clear();
  s.playOn.Changed();
  s.aol.SendRoomLine(MorvaLine("MP3 Player " + kMiddleDot + " Shuffle is Now Enabled"));
  if (Idle(s)) library::PlayNext(s);
}

void XShuffle(Session& s, const CommandLine&) {
  PlayOn& p = s.playOn;
  p.shuffle = false;
  p.round.clear();
  p.roundNext = 0;
  p.Changed();
  s.aol.SendRoomLine(MorvaLine("Shuffle is Now Disabled"));
}

void Skip(Session& s, const CommandLine&) {
  if (!library::PlayNext(s)) s.aol.SendRoomLine(MorvaLine("No MP3 To Skip To [Queue Empty, Shuffle Off]"));
}

void Back(Session& s, const CommandLine&) {
  if (!library::PlayPrevious(s)) s.aol.SendRoomLine(MorvaLine("No MP3 To Go Back To"));
}

}  // namespace commands
