#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

struct mpg123_handle_struct;

// One open MP3 file, decoded by libmpg123 to signed 16-bit samples at the
// file's own rate and channel count, with encoder delay and padding removed.
// Opening checks that the file holds decodable MPEG audio and takes its
// length from an Info header that the file's size bears out; any other
// length is estimated at the open and counted exactly by CountFrames, a few
// thousand frames a call. The file stays open until the decoder goes, so
// removing it while it plays changes nothing. Not thread-safe: one thread at
// a time.
class Mp3Decoder {
 public:
  // Throws ControlError when the file is missing, unreadable, not a regular
  // file (a FIFO, a device, a folder) or holds no decodable MPEG audio.
  // With replayGain, the samples come at the level of the file's ReplayGain
  // track gain (ID3v2 or the encoder's Info header), as far as it lowers the
  // level: a gain that would raise it is not applied, so nothing clips. A
  // file without one comes as it is.
  static std::unique_ptr<Mp3Decoder> Open(const std::string& path, bool replayGain = false);
  ~Mp3Decoder();

  Mp3Decoder(const Mp3Decoder&) = delete;
  Mp3Decoder& operator=(const Mp3Decoder&) = delete;

  long Rate() const { return rate_; }
  int Channels() const { return channels_; }
  // Length in frames (one sample per channel): exact once LengthSettled(),
  // until then an estimate from the file's size and bit rate.
  std::int64_t LengthFrames() const { return length_; }
  // Whether the length will change no more: it came from the header, or the
  // count has ended (or could not start, and the estimate stays).
  bool LengthSettled() const { return lengthSettled_; }
  // Counts the next few thousand MPEG frames, on a reader of its own that
  // leaves playback where it is; at the end of the file the length is exact.
  void CountFrames();

  // Decodes up to maxFrames frames into out (room for maxFrames * Channels()
  // samples). Returns the frames decoded; 0 means the end of the file (also a
  // read error or a file cut short).
  std::size_t Read(std::int16_t* out, std::size_t maxFrames);
  // The MPEG frames (header and body, whole, in order) that the last Read's
  // sound came from, read as they are by a reader of their own that keeps
  // step with playback; empty unless asked for with KeepFrames, or when the
  // reader cannot start.
  std::span<const unsigned char> LastFrames() const { return frames_; }
  void KeepFrames(bool keep) { keepFrames_ = keep; }
  // Moves to the frame (clamped to the file); false when the file cannot seek.
  bool Seek(std::int64_t frame);
  // The frame that the next Read starts at.
  std::int64_t Tell() const;

 private:
  struct Counter;

  Mp3Decoder(mpg123_handle_struct* handle, int fd);
  void TakeFrames();  // fills frames_ after a Read

  mpg123_handle_struct* handle_;
  int fd_;  // the file, read by handle_ and by the counter's handle
  long rate_ = 0;
  int channels_ = 0;
  std::int64_t length_ = 0;
  bool lengthSettled_ = true;
  std::unique_ptr<Counter> counter_;  // while a count goes on
  std::unique_ptr<Counter> frameReader_;  // made at the first Read
  bool frameReaderFailed_ = false;
  bool keepFrames_ = false;
  std::vector<unsigned char> frames_;
};
