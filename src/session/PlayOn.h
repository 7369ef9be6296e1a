#pragma once

#include <cstddef>
#include <deque>
#include <functional>
#include <set>
#include <vector>

#include <QString>

// A track held by the queue, the shuffle or the history: its full path, so
// that it outlives a refresh of the file list or a change of folder, and the
// file-list entry it was chosen as, which is what the room is shown.
struct HeldTrack {
  QString path;
  QString entry;

  bool operator==(const HeldTrack&) const = default;
};

// What keeps the music going after a track ends, when the owner asks for it:
// the queue (".q"), the shuffle (".shuffle") and the history that ".back"
// walks. All empty and off at start, so a track plays once and stops.
struct PlayOn {
  std::deque<HeldTrack> queue;

  // ".q"'s own numbered choice, apart from ".play"'s match list, so that
  // neither answer can take or lose the other's.
  std::vector<HeldTrack> choice;
  bool choicePending = false;

  // The shuffle: one round is every track of the folder once, in random
  // order; the next round is drawn when it runs out.
  bool shuffle = false;
  QString shuffleFolder;  // the folder the round was drawn from
  std::vector<HeldTrack> round;
  std::size_t roundNext = 0;
  // Files that could not be opened: the owner is told once, and the rounds
  // leave them out until the shuffle starts again.
  std::set<QString> gone;

  // The tracks started, oldest first (at most kHistory), and which of them
  // is the current one; ".back" moves it back.
  static constexpr std::size_t kHistory = 1000;
  std::deque<HeldTrack> history;
  std::size_t current = 0;

  // Told whenever the shuffle or the history changes (the desktop shows both).
  std::function<void()> changed;

  bool CanGoBack() const { return current > 0 && current < history.size(); }
  void Changed() const {
    if (changed) changed();
  }
};
