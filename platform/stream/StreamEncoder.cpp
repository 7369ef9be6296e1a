#include "platform/stream/StreamEncoder.h"

#include <lame/lame.h>
#include <soxr.h>

#include <stdexcept>

#include "platform/stream/StreamFormat.h"

namespace stream {

namespace {
// Frames LAME takes at a time, and the room it asks for their output.
constexpr std::size_t kLameChunk = 8192;
constexpr std::size_t LameRoom(std::size_t frames) { return frames * 5 / 4 + 7200; }
}  // namespace

StreamEncoder::StreamEncoder() : lame_(lame_init()) {
  if (!lame_) throw std::runtime_error("LAME cannot start");
  lame_set_in_samplerate(lame_, kRate);
  lame_set_out_samplerate(lame_, kRate);
  lame_set_num_channels(lame_, kChannels);
  lame_set_mode(lame_, JOINT_STEREO);
  lame_set_brate(lame_, kBitrateKbps);
  lame_set_VBR(lame_, vbr_off);
  lame_set_quality(lame_, 3);
  lame_set_disable_reservoir(lame_, 1);
  lame_set_bWriteVbrTag(lame_, 0);
  if (lame_init_params(lame_) < 0) {
    lame_close(lame_);
    throw std::runtime_error("LAME refuses the stream's settings");
  }
}

StreamEncoder::~StreamEncoder() {
  if (soxr_) soxr_delete(soxr_);
  lame_close(lame_);
}

void StreamEncoder::Resampler(long rate) {
  if (rate == resamplerRate_) return;
  if (soxr_) soxr_delete(soxr_);
  soxr_ = nullptr;
  resamplerRate_ = rate;
  if (rate == kRate) return;
  const soxr_io_spec_t io = soxr_io_spec(SOXR_INT16_I, SOXR_INT16_I);
  const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
  soxr_error_t error = nullptr;
  soxr_ = soxr_create(static_cast<double>(rate), static_cast<double>(kRate), kChannels, &error, &io, &quality,
                      nullptr);
  if (error) {
    soxr_ = nullptr;
    resamplerRate_ = 0;
    throw std::runtime_error(std::string("libsoxr: ") + error);
  }
}

void StreamEncoder::Encode(const std::int16_t* samples, std::size_t frames, long rate, int channels,
                           std::vector<unsigned char>& out) {
  if (frames == 0 || rate <= 0 || channels < 1) return;
  const std::int16_t* stereo = samples;
  if (channels != kChannels) {
    // Mono to both sides; of more channels the first two.
    stereo_.resize(frames * kChannels);
    for (std::size_t i = 0; i < frames; ++i) {
      const std::int16_t* frame = samples + i * static_cast<std::size_t>(channels);
      stereo_[2 * i] = frame[0];
      stereo_[2 * i + 1] = channels > 1 ? frame[1] : frame[0];
    }
    stereo = stereo_.data();
  }
  Resampler(rate);
  if (!soxr_) {
    EncodeStereo(stereo, frames, out);
    return;
  }
  const std::size_t room = frames * static_cast<std::size_t>(kRate) / static_cast<std::size_t>(rate) + 64;
  resampled_.resize(room * kChannels);
  std::size_t used = 0;
  std::size_t made = 0;
  soxr_process(soxr_, stereo, frames, &used, resampled_.data(), room, &made);
  EncodeStereo(resampled_.data(), made, out);
}

void StreamEncoder::MakeSilentFrame() {
  // LAME's start is behind it after a few frames; one from there on is the
  // silence every later one would be.
  constexpr std::size_t kFrames = 8;
  std::vector<unsigned char> encoded;
  stereo_.assign(kFrames * kMpegFrameSamples * kChannels, 0);
  EncodeStereo(stereo_.data(), kFrames * kMpegFrameSamples, encoded);
  Flush(encoded);
  std::size_t at = 0;
  for (std::size_t frame = 0; frame < kFrames / 2; ++frame) {
    const std::size_t bytes =
        at + 4 > encoded.size()
            ? 0
            : StreamFrameBytes(std::uint32_t{encoded[at]} << 24 | std::uint32_t{encoded[at + 1]} << 16 |
                               std::uint32_t{encoded[at + 2]} << 8 | std::uint32_t{encoded[at + 3]});
    if (bytes == 0 || at + bytes > encoded.size()) {
      silentFrame_.clear();  // not whole frames: silence is encoded each time
      return;
    }
    silentFrame_.assign(encoded.begin() + static_cast<std::ptrdiff_t>(at),
                        encoded.begin() + static_cast<std::ptrdiff_t>(at + bytes));
    at += bytes;
  }
}

std::size_t StreamEncoder::Silence(std::size_t frames, std::vector<unsigned char>& out) {
  // What was encoded before ends first: the silent frames stand alone.
  Flush(out);
  if (!triedSilentFrame_) {
    triedSilentFrame_ = true;
    MakeSilentFrame();
  }
  if (silentFrame_.empty()) {
    stereo_.assign(frames * kChannels, 0);
    EncodeStereo(stereo_.data(), frames, out);
    return frames;
  }
  const std::size_t count = (frames + kMpegFrameSamples - 1) / kMpegFrameSamples;
  out.reserve(out.size() + count * silentFrame_.size());
  for (std::size_t i = 0; i < count; ++i) out.insert(out.end(), silentFrame_.begin(), silentFrame_.end());
  return count * kMpegFrameSamples;
}

void StreamEncoder::EncodeStereo(const std::int16_t* samples, std::size_t frames, std::vector<unsigned char>& out) {
  while (frames > 0) {
    const std::size_t take = std::min(frames, kLameChunk);
    const std::size_t start = out.size();
    out.resize(start + LameRoom(take));
    const int made = lame_encode_buffer_interleaved(lame_, const_cast<short*>(samples), static_cast<int>(take),
                                                    out.data() + start, static_cast<int>(LameRoom(take)));
    out.resize(start + static_cast<std::size_t>(std::max(made, 0)));
    samples += take * kChannels;
    frames -= take;
    pending_ = true;
  }
}

void StreamEncoder::Flush(std::vector<unsigned char>& out) {
  if (!pending_) return;
  const std::size_t start = out.size();
  out.resize(start + 7200);
  const int made = lame_encode_flush_nogap(lame_, out.data() + start, 7200);
  out.resize(start + static_cast<std::size_t>(std::max(made, 0)));
  pending_ = false;
}

}  // namespace stream
