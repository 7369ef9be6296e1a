#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include <QString>

// Receives the tracks of a collection, one call a track, on the thread that
// asked for them.
class TrackSink {
 public:
  virtual ~TrackSink() = default;
  // `relativePath`: the track's path below the folder, valid UTF-8, its parts
  // joined by "/". `tags`: what its tags name (artist, album, title), each
  // field followed by a NUL, no other NUL and no control character inside;
  // empty when the tags were not asked for or name nothing.
  virtual void Track(std::string_view relativePath, std::string_view tags) = 0;
  // Before the tracks, when it is known: about how many there are, and how
  // many bytes their paths and tags take in all, so that room is made once.
  virtual void Expect(std::size_t tracks, std::size_t bytes) {
    static_cast<void>(tracks);
    static_cast<void>(bytes);
  }
};

// What changed under a watched folder since the list was made, to be taken
// in this order: first what went, then what came.
struct TrackChanges {
  // Paths below the folder of tracks that are gone; a path ending in "/" is
  // a folder, and every track below it is gone.
  std::vector<std::string> removed;
  // Tracks that are new or changed, as a TrackSink is given them: path and
  // tag text. A track listed already under that path is replaced.
  std::vector<std::pair<std::string, std::string>> added;

  bool Empty() const { return removed.empty() && added.empty(); }
};

// The MP3 files of a music folder and of every folder below it.
class MusicCollection {
 public:
  virtual ~MusicCollection() = default;

  // Gives every "*.mp3" file (letter case ignored) at any depth under the
  // folder to the sink, in no particular order, each once. Symbolic links
  // are followed, a folder reached again is not walked again, and a folder
  // that cannot be read is left out (and said once). Throws ControlError when
  // the folder itself cannot be read.
  // With the tags, what was kept of the folder from an earlier listing may be
  // given instead, without looking at the disk; the folder is then checked
  // on a thread of its own once it is watched, and what differs comes to the
  // watch's callback as changes.
  virtual void ListTracks(const QString& folder, bool withTags, TrackSink& sink) = 0;

  // How many "*.mp3" files ListTracks would find, looking into no more than
  // `folderLimit` folders, so that a folder such as "/" is not walked whole;
  // `more` is set when folders were left unread. Throws ControlError when the
  // folder itself cannot be read.
  struct Count {
    int tracks = 0;
    bool more = false;
  };
  virtual Count CountTracks(const QString& folder, int folderLimit) = 0;

  // From now on calls `changed` on the user-interface thread with what
  // changed under the folder, the tags of new tracks read, soon after files
  // were added, removed or changed; the empty folder ends the watch. One
  // folder is watched at a time, and only the one listed last with its tags.
  virtual void Watch(const QString& folder, std::function<void(const TrackChanges&)> changed) = 0;
};
