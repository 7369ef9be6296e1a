#include "src/library/PlayOnTracks.h"

#include <algorithm>
#include <optional>
#include <random>

#include "src/library/Track.h"
#include "src/seams/ControlError.h"
#include "src/seams/Diagnostic.h"
#include "src/session/Session.h"
#include "src/shared/Announcements.h"

namespace library {

namespace {

// Every track of the folder once, in random order. A round never begins with
// the track that ended the last one, so no track is heard twice in a row.
void DrawRound(Session& s) {
  PlayOn& p = s.playOn;
  const std::optional<HeldTrack> last =
      p.roundNext > 0 && p.roundNext <= p.round.size() ? std::optional(p.round[p.roundNext - 1]) : std::nullopt;
  p.round.clear();
  p.roundNext = 0;
  p.shuffleFolder = s.File1.Path();
  const int count = s.File1.ListCount();
  p.round.reserve(static_cast<std::size_t>(count));
  for (int i = 0; i < count; ++i) {
    HeldTrack track = EntryTrack(s, s.File1.List(i));
    if (!p.gone.contains(track.path)) p.round.push_back(std::move(track));
  }
  std::mt19937_64 generator(s.runtime.ClockSeed());
  std::shuffle(p.round.begin(), p.round.end(), generator);
  if (last && p.round.size() > 1 && p.round.front() == *last) std::swap(p.round.front(), p.round.back());
}

// Takes the next track out of the queue, else out of the shuffle's round
// (drawn anew when it has run out or the folder has changed).
std::optional<HeldTrack> TakeNext(Session& s) {
  PlayOn& p = s.playOn;
  if (!p.queue.empty()) {
    HeldTrack track = std::move(p.queue.front());
    p.queue.pop_front();
    return track;
  }
  if (!p.shuffle) return std::nullopt;
  if (p.roundNext >= p.round.size() || p.shuffleFolder != s.File1.Path()) DrawRound(s);
  if (p.roundNext >= p.round.size()) return std::nullopt;  // an empty folder
  return p.round[p.roundNext++];
}

// The stop of a file-list choice, when a track plays.
void StopPlaying(Session& s) {
  if (s.MediaPlayer1.PlayState() != MediaPlayerControl::kPlaying) return;
  s.MediaPlayer1.Stop();
  s.aol.SendRoomLine(kRedPrefix);
  s.aol.WaitSeconds(1);
}

void Announce(Session& s, const HeldTrack& track) {
  s.aol.SendRoomLine(MorvaLine("Playing [" + TrackTitle(track.entry) + "]"));
}

void Skipped(PlayOn& p, const HeldTrack& track, const ControlError& error) {
  if (!p.gone.insert(track.path).second) return;
  Diagnose("cannot play " + track.path + ", skipped: " + QString::fromUtf8(error.what()));
}

}  // namespace

HeldTrack EntryTrack(const Session& s, const QString& entry) { return {TrackPath(s.File1.Path(), entry), entry}; }

void OpenTrack(Session& s, const HeldTrack& track) {
  s.MediaPlayer1.OpenFile(track.path);
  PlayOn& p = s.playOn;
  // What lay ahead of the current track is left behind by a new one.
  if (p.current + 1 < p.history.size())
    p.history.erase(p.history.begin() + static_cast<long>(p.current) + 1, p.history.end());
  if (p.history.empty() || p.history.back() != track) p.history.push_back(track);
  while (p.history.size() > PlayOn::kHistory) p.history.pop_front();
  p.current = p.history.size() - 1;
  p.Changed();
}

bool HasNext(const Session& s) {
  return !s.playOn.queue.empty() || (s.playOn.shuffle && s.File1.ListCount() > 0);
}

bool PlayNext(Session& s) {
  if (!HasNext(s)) return false;
  StopPlaying(s);
  // Chosen only now: the wait may have changed the queue. A folder whose
  // files are all gone is given up after one try of each.
  std::size_t tries = s.playOn.queue.size() + static_cast<std::size_t>(s.File1.ListCount()) + 1;
  while (tries-- > 0) {
    const std::optional<HeldTrack> next = TakeNext(s);
    if (!next) return false;
    try {
      OpenTrack(s, *next);
    } catch (const ControlError& error) {
      Skipped(s.playOn, *next, error);
      continue;
    }
    Announce(s, *next);
    return true;
  }
  return false;
}

bool PlayPrevious(Session& s) {
  if (!s.playOn.CanGoBack()) return false;
  StopPlaying(s);
  PlayOn& p = s.playOn;
  while (p.CanGoBack()) {
    const HeldTrack previous = p.history[p.current - 1];
    try {
      s.MediaPlayer1.OpenFile(previous.path);
    } catch (const ControlError& error) {
      Skipped(p, previous, error);
      p.history.erase(p.history.begin() + static_cast<long>(p.current) - 1);
      --p.current;
      continue;
    }
    --p.current;
    p.Changed();
    Announce(s, previous);
    return true;
  }
  p.Changed();
  return false;
}

void TrackEnded(Session& s) {
  if (HasNext(s)) PlayNext(s);
}

}  // namespace library
