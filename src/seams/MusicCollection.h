#pragma once

#include <functional>
#include <string_view>

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

  // From now on calls `changed` on the user-interface thread a short while
  // after files under the folder were added, removed or changed; the empty
  // folder ends the watch. One folder is watched at a time.
  virtual void Watch(const QString& folder, std::function<void()> changed) = 0;
};
