#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

struct lame_global_struct;
struct soxr;

namespace stream {

// Turns decoded sound of any rate and one or two channels into MP3 frames of
// the stream's format: libsoxr resamples to 44.1 kHz where the rate differs,
// mono is sent to both channels, and LAME encodes at a constant 128 kbit/s.
// LAME's bit reservoir is off, so each frame stands alone and frames passed
// through from a file can follow or precede them without a glitch.
// Used by one thread.
class StreamEncoder {
 public:
  StreamEncoder();
  ~StreamEncoder();
  StreamEncoder(const StreamEncoder&) = delete;
  StreamEncoder& operator=(const StreamEncoder&) = delete;

  // Appends to `out` the MP3 frames that are ready.
  void Encode(const std::int16_t* samples, std::size_t frames, long rate, int channels,
              std::vector<unsigned char>& out);
  // Silence for at least `frames`, as whole MPEG frames of it: one silent
  // frame, encoded once, is repeated. Returns the frames of sound it lasts.
  std::size_t Silence(std::size_t frames, std::vector<unsigned char>& out);
  // Ends what was encoded so far, so that frames from elsewhere can follow;
  // encoding may go on after it.
  void Flush(std::vector<unsigned char>& out);
  // Whether samples went in since the last Flush.
  bool Pending() const { return pending_; }

 private:
  void EncodeStereo(const std::int16_t* samples, std::size_t frames, std::vector<unsigned char>& out);
  void Resampler(long rate);
  void MakeSilentFrame();

  lame_global_struct* lame_ = nullptr;
  soxr* soxr_ = nullptr;  // for resamplerRate_, when it is not the stream's
  long resamplerRate_ = 0;
  bool pending_ = false;
  std::vector<unsigned char> silentFrame_;  // empty until the first Silence
  bool triedSilentFrame_ = false;
  std::vector<std::int16_t> stereo_;
  std::vector<std::int16_t> resampled_;
};

}  // namespace stream
