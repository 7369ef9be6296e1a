#include "platform/mediaplayer/Mp3Decoder.h"

#include <fcntl.h>
#include <mpg123.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <utility>
#include <vector>

#include "src/seams/ControlError.h"

namespace {

// mpg123_handle is a typedef of the struct; the deleter keeps Open leak-free
// on every early throw.
struct HandleDeleter {
  void operator()(mpg123_handle* handle) const { mpg123_delete(handle); }
};
using HandlePtr = std::unique_ptr<mpg123_handle, HandleDeleter>;

[[noreturn]] void Fail(const std::string& path, const std::string& why) {
  throw ControlError("cannot open " + path + ": " + why);
}

// Frames of audio a file must decode before it counts as MPEG audio. One
// frame is easily faked by random bytes; a few in a row are not.
constexpr int kFramesToConfirm = 3;

// A descriptor that is closed when it goes, unless it was let go.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);
  }
  Descriptor(Descriptor&& other) noexcept : fd_(other.release()) {}
  Descriptor& operator=(Descriptor&&) = delete;
  int get() const { return fd_; }
  int release() { return std::exchange(fd_, -1); }

 private:
  int fd_;
};

// Opens a regular file for reading. Anything else is refused before it is
// opened, and the open itself does not block, so a FIFO that took the file's
// place meanwhile cannot make the caller wait for a writer.
Descriptor OpenRegularFile(const std::string& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) Fail(path, std::strerror(errno));
  if (!S_ISREG(info.st_mode)) Fail(path, "not a regular file");
  Descriptor file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (file.get() < 0) Fail(path, std::strerror(errno));
  if (::fstat(file.get(), &info) != 0 || !S_ISREG(info.st_mode)) Fail(path, "not a regular file");
  const int flags = ::fcntl(file.get(), F_GETFL);
  if (flags < 0 || ::fcntl(file.get(), F_SETFL, flags & ~O_NONBLOCK) != 0) Fail(path, std::strerror(errno));
  return file;
}

// A handle set up as every handle of ours is; null when none can be made.
HandlePtr NewHandle() {
  int error = MPG123_OK;
  HandlePtr handle(mpg123_new(nullptr, &error));
  if (!handle) return handle;
  mpg123_param2(handle.get(), MPG123_ADD_FLAGS, MPG123_GAPLESS | MPG123_QUIET, 0.0);
  // Junk before the first frame is skipped only within this many bytes, so a
  // file of random bytes fails quickly instead of being searched to its end.
  mpg123_param2(handle.get(), MPG123_RESYNC_LIMIT, 4096, 0.0);
  mpg123_format_none(handle.get());
  const long* rates = nullptr;
  std::size_t rateCount = 0;
  mpg123_rates(&rates, &rateCount);
  for (std::size_t i = 0; i < rateCount; ++i) {
    mpg123_format(handle.get(), rates[i], MPG123_MONO | MPG123_STEREO, MPG123_ENC_SIGNED_16);
  }
  return handle;
}

// The number of MPEG frames that the file's size gives at the bit rate of the
// frame just decoded, counted from the first audio frame on.
double FramesBySize(mpg123_handle* handle, std::int64_t fileSize) {
  off_t* offsets = nullptr;
  off_t step = 0;
  std::size_t filled = 0;
  const bool indexed = mpg123_index(handle, &offsets, &step, &filled) == MPG123_OK && filled > 0;
  const double audioBytes = static_cast<double>(fileSize - (indexed ? offsets[0] : 0));
  mpg123_frameinfo2 info{};
  mpg123_info(handle, &info);
  // The mean size of a frame at a constant bit rate, padding included; a
  // stream of free format gives only the size of the frame itself.
  const double frameBytes = info.bitrate > 0 && info.rate > 0
                                ? mpg123_spf(handle) / 8.0 * info.bitrate * 1000.0 / static_cast<double>(info.rate)
                                : static_cast<double>(info.framesize);
  return frameBytes > 0 ? std::max(audioBytes, 0.0) / frameBytes : 0.0;
}

// Whether an Info header's frame count agrees with the count the file's size
// gives. An honest header of a file at a constant bit rate is within a
// frame or so of it: the slack is two frames (a trailing 128-byte ID3v1 tag
// is nearly two of the smallest frames) or 1% (other trailing tags), whichever
// is more. A file whose bit rate varies mostly disagrees, and is counted: a
// count that was not needed gives the header's own length, off the caller's
// thread.
bool HeaderAgreesWithSize(std::int64_t headerFrames, double framesBySize) {
  const double slack = std::max(2.0, framesBySize / 100.0);
  return headerFrames > 0 && std::abs(static_cast<double>(headerFrames) - framesBySize) <= slack;
}

// The tags have been read by now, and libmpg123 scales the samples by the
// track's gain (held down to the peak a tag gives). A gain that raises the
// level would clip wherever the file's peak is not tagged, so it is left out.
void OnlyLower(mpg123_handle* handle) {
  double base = 0.0;
  double really = 0.0;
  double gainDb = 0.0;
  if (mpg123_getvolume(handle, &base, &really, &gainDb) != MPG123_OK || really <= base) return;
  mpg123_param2(handle, MPG123_RVA, MPG123_RVA_OFF, 0.0);
  mpg123_volume(handle, base);
}

// Frames CountFrames reads per call: a few milliseconds of work.
constexpr int kFramesPerCount = 4096;

}  // namespace

// Counts the file's frames (or walks them for the stream) with a handle of
// its own on the same descriptor. Its reader keeps its own place in the file
// (pread), so the playing handle is left where it is, and reads ahead a block
// at a time: the library asks for a frame's header and then its body, which
// would otherwise be two system calls for every frame.
struct Mp3Decoder::Counter {
  static constexpr std::size_t kAhead = 64 * 1024;

  Counter(int file, HandlePtr reader) : fd(file), handle(std::move(reader)) {}

  int fd;
  std::int64_t position = 0;
  std::int64_t samples = 0;  // of the frames counted so far
  HandlePtr handle;
  std::vector<unsigned char> ahead;  // the file's bytes from aheadAt on
  std::int64_t aheadAt = 0;

  static mpg123_ssize_t Read(void* self, void* buffer, std::size_t bytes) {
    auto& counter = *static_cast<Counter*>(self);
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < bytes) {
      const std::int64_t offset = counter.position - counter.aheadAt;
      if (offset < 0 || offset >= static_cast<std::int64_t>(counter.ahead.size())) {
        counter.ahead.resize(kAhead);
        ssize_t got = 0;
        do {
          got = ::pread(counter.fd, counter.ahead.data(), kAhead, counter.position);
        } while (got < 0 && errno == EINTR);
        counter.ahead.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
        counter.aheadAt = counter.position;
        if (got < 0) return done > 0 ? static_cast<mpg123_ssize_t>(done) : -1;
        if (got == 0) break;  // the end of the file
        continue;
      }
      const std::size_t take = std::min(bytes - done, counter.ahead.size() - static_cast<std::size_t>(offset));
      std::memcpy(out + done, counter.ahead.data() + offset, take);
      done += take;
      counter.position += static_cast<std::int64_t>(take);
    }
    return static_cast<mpg123_ssize_t>(done);
  }

  static off_t Seek(void* self, off_t offset, int whence) {
    auto& counter = *static_cast<Counter*>(self);
    std::int64_t base = 0;
    if (whence == SEEK_CUR) {
      base = counter.position;
    } else if (whence == SEEK_END) {
      struct stat info {};
      if (::fstat(counter.fd, &info) != 0) return -1;
      base = info.st_size;
    } else if (whence != SEEK_SET) {
      return -1;
    }
    if (base + offset < 0) return -1;
    counter.position = base + offset;
    return static_cast<off_t>(counter.position);
  }
};

std::unique_ptr<Mp3Decoder> Mp3Decoder::Open(const std::string& path, bool replayGain) {
  Descriptor file = OpenRegularFile(path);
  HandlePtr handle = NewHandle();
  if (!handle) Fail(path, "no decoder");
  if (replayGain) mpg123_param2(handle.get(), MPG123_RVA, MPG123_RVA_MIX, 0.0);
  if (mpg123_open_fd(handle.get(), file.get()) != MPG123_OK) {
    Fail(path, mpg123_strerror(handle.get()));
  }
  long rate = 0;
  int channels = 0;
  int encoding = 0;
  if (mpg123_getformat(handle.get(), &rate, &channels, &encoding) != MPG123_OK) {
    Fail(path, "no MPEG audio");
  }
  // Decode the first frames to be sure they are audio, then go back.
  for (int i = 0; i < kFramesToConfirm; ++i) {
    off_t frameNumber = 0;
    unsigned char* audio = nullptr;
    std::size_t bytes = 0;
    const int result = mpg123_decode_frame(handle.get(), &frameNumber, &audio, &bytes);
    if (result == MPG123_DONE && i > 0) break;  // a very short file
    if (result != MPG123_OK && result != MPG123_NEW_FORMAT) Fail(path, "no decodable MPEG audio");
  }
  if (replayGain) OnlyLower(handle.get());
  // An encoder's Info header gives the frame count with the delay and
  // padding, and is believed when the file's size agrees with it. Otherwise
  // the length is estimated from the size and the bit rate, and CountFrames
  // finds it exactly later: a scan of every frame here would hold the caller
  // for as long as reading the whole file takes.
  long encoderDelay = -1;
  double unused = 0.0;
  mpg123_getstate(handle.get(), MPG123_ENC_DELAY, &encoderDelay, &unused);
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) Fail(path, std::strerror(errno));
  const double framesBySize = FramesBySize(handle.get(), info.st_size);
  const bool believed = encoderDelay >= 0 && HeaderAgreesWithSize(mpg123_framelength(handle.get()), framesBySize);
  const int samplesPerFrame = mpg123_spf(handle.get());
  const std::int64_t length =
      believed ? mpg123_length(handle.get())
               : std::max<std::int64_t>(std::llround(framesBySize * samplesPerFrame), samplesPerFrame);
  if (length <= 0) Fail(path, "no decodable MPEG audio");
  if (mpg123_seek(handle.get(), 0, SEEK_SET) < 0) Fail(path, "cannot rewind");

  auto decoder = std::unique_ptr<Mp3Decoder>(new Mp3Decoder(handle.release(), file.release()));
  decoder->rate_ = rate;
  decoder->channels_ = channels;
  decoder->length_ = length;
  decoder->lengthSettled_ = believed;
  return decoder;
}

void Mp3Decoder::CountFrames() {
  if (lengthSettled_) return;
  if (!counter_) {
    counter_ = std::make_unique<Counter>(fd_, NewHandle());
    mpg123_handle* handle = counter_->handle.get();
    if (!handle || mpg123_replace_reader_handle(handle, &Counter::Read, &Counter::Seek, nullptr) != MPG123_OK ||
        mpg123_open_handle(handle, counter_.get()) != MPG123_OK) {
      counter_.reset();
      lengthSettled_ = true;  // the estimate stays
      return;
    }
  }
  mpg123_handle* handle = counter_->handle.get();
  for (int i = 0; i < kFramesPerCount; ++i) {
    const int result = mpg123_framebyframe_next(handle);
    if (result == MPG123_OK || result == MPG123_NEW_FORMAT) {
      counter_->samples += mpg123_spf(handle);
      continue;
    }
    // At the end the library gives the length that decoding the file gives:
    // a header's delay and padding taken off when its frames were there. A
    // read error leaves the frames counted until then.
    const std::int64_t length = result == MPG123_DONE ? mpg123_length(handle) : counter_->samples;
    if (length > 0) length_ = length;
    counter_.reset();
    lengthSettled_ = true;
    return;
  }
}

Mp3Decoder::Mp3Decoder(mpg123_handle* handle, int fd) : handle_(handle), fd_(fd) {}

Mp3Decoder::~Mp3Decoder() {
  counter_.reset();
  frameReader_.reset();
  mpg123_delete(handle_);  // neither handle closes the descriptor it was given
  ::close(fd_);
}

std::size_t Mp3Decoder::Read(std::int16_t* out, std::size_t maxFrames) {
  const std::size_t frameBytes = static_cast<std::size_t>(channels_) * sizeof(std::int16_t);
  auto* bytes = reinterpret_cast<unsigned char*>(out);
  std::size_t filled = 0;
  const std::size_t wanted = maxFrames * frameBytes;
  while (filled < wanted) {
    std::size_t done = 0;
    const int result = mpg123_read(handle_, bytes + filled, wanted - filled, &done);
    filled += done;
    if (result == MPG123_OK) continue;
    if (result == MPG123_NEW_FORMAT) {
      // The format is fixed at open; a stream that changes it midway ends here.
      long rate = 0;
      int channels = 0;
      int encoding = 0;
      mpg123_getformat(handle_, &rate, &channels, &encoding);
      if (rate == rate_ && channels == channels_) continue;
    }
    break;  // done, an error, or a format change
  }
  const std::size_t frames = filled / frameBytes;
  TakeFrames();
  return frames;
}

void Mp3Decoder::TakeFrames() {
  frames_.clear();
  if (!keepFrames_ || frameReaderFailed_) return;
  if (!frameReader_) {
    frameReader_ = std::make_unique<Counter>(fd_, NewHandle());
    mpg123_handle* handle = frameReader_->handle.get();
    if (!handle || mpg123_replace_reader_handle(handle, &Counter::Read, &Counter::Seek, nullptr) != MPG123_OK ||
        mpg123_open_handle(handle, frameReader_.get()) != MPG123_OK) {
      frameReader_.reset();
      frameReaderFailed_ = true;
      return;
    }
    // Asked for midway: the frames start where playback is.
    const std::int64_t from = std::max<std::int64_t>(Tell() - 1, 0);
    const off_t at = mpg123_seek(handle, static_cast<off_t>(from), SEEK_SET);
    const int perFrame = std::max(mpg123_spf(handle), 1);
    frameReader_->samples = at > 0 ? at / perFrame * perFrame : 0;
  }
  // Frames are walked, not decoded, up to where playback is.
  mpg123_handle* handle = frameReader_->handle.get();
  const std::int64_t played = Tell();
  while (frameReader_->samples < played) {
    const int result = mpg123_framebyframe_next(handle);
    if (result != MPG123_OK && result != MPG123_NEW_FORMAT) return;
    unsigned long header = 0;
    unsigned char* body = nullptr;
    std::size_t bodyBytes = 0;
    if (mpg123_framedata(handle, &header, &body, &bodyBytes) == MPG123_OK && body) {
      for (int shift = 24; shift >= 0; shift -= 8) frames_.push_back(static_cast<unsigned char>(header >> shift));
      frames_.insert(frames_.end(), body, body + bodyBytes);
    }
    frameReader_->samples += mpg123_spf(handle);
  }
}

bool Mp3Decoder::Seek(std::int64_t frame) {
  const std::int64_t target = std::clamp<std::int64_t>(frame, 0, length_);
  if (frameReader_) {
    // The frame reader starts again at the frame that holds the target.
    mpg123_handle* reader = frameReader_->handle.get();
    const off_t at = mpg123_seek(reader, static_cast<off_t>(target), SEEK_SET);
    const int perFrame = std::max(mpg123_spf(reader), 1);
    frameReader_->samples = at >= 0 ? at / perFrame * perFrame : 0;
  }
  return mpg123_seek(handle_, static_cast<off_t>(target), SEEK_SET) >= 0;
}

std::int64_t Mp3Decoder::Tell() const { return mpg123_tell(handle_); }
