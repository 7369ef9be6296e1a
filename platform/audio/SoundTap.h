#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

// A second listener to what a player plays, beside its sink: the stream to
// the room. A player calls it from its own worker thread; every call returns
// at once, whatever the listener does with the sound, so the player's own
// output never waits for it.
class SoundTap {
 public:
  virtual ~SoundTap() = default;

  // From now on what plays is this (a file's title, a CD track).
  virtual void Title(const std::string& title) = 0;
  // Sound as the player decoded it, at the track's own level (before volume
  // and mute), signed 16-bit interleaved. `mpeg` holds the MPEG frames it was
  // decoded from, whole and in order, when it came from them; else it is
  // empty.
  virtual void Sound(const std::int16_t* samples, std::size_t frames, long rate, int channels,
                     std::span<const unsigned char> mpeg) = 0;
};
