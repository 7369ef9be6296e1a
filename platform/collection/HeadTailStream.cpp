#include "platform/collection/HeadTailStream.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace {

// Enough for a tag without pictures and the first frames behind it.
constexpr long kHead = 16 * 1024;
// Enough for an ID3v1 tag, a small APE tag and the last frame.
constexpr long kTail = 4 * 1024;
// The head grows to hold a bigger ID3v2 tag up to so many bytes; the rest
// of a bigger one is read from the file when TagLib asks for it.
constexpr long kMostHead = 16 * 1024 * 1024;

// The size of the ID3v2 tag at the start of the bytes, its header and
// footer included; 0 when there is none.
long Id3v2Size(const std::string& head) {
  if (head.size() < 10 || head.compare(0, 3, "ID3") != 0) return 0;
  long size = 0;
  for (int i = 6; i < 10; ++i) size = size << 7 | (static_cast<unsigned char>(head[i]) & 0x7f);
  const bool footer = static_cast<unsigned char>(head[5]) & 0x10;
  return size + 10 + (footer ? 10 : 0);
}

}  // namespace

HeadTailStream::HeadTailStream(int fd, const char* name) : fd_(fd), name_(name) {
  struct stat info {};
  if (::fstat(fd_, &info) != 0) return;
  size_ = static_cast<long>(info.st_size);
  head_ = ReadAt(0, std::min(size_, kHead));
  if (const long tag = Id3v2Size(head_); tag + kHead / 4 > static_cast<long>(head_.size()))
    head_ += ReadAt(static_cast<long>(head_.size()),
                    std::min({size_, tag + kHead / 4, kMostHead}) - static_cast<long>(head_.size()));
  tailStart_ = std::max(static_cast<long>(head_.size()), size_ - kTail);
  tail_ = ReadAt(tailStart_, size_ - tailStart_);
}

std::string HeadTailStream::ReadAt(long offset, long size) const {
  std::string bytes(static_cast<std::size_t>(std::max(size, 0L)), '\0');
  std::size_t got = 0;
  while (got < bytes.size()) {
    const ssize_t n = ::pread(fd_, bytes.data() + got, bytes.size() - got, offset + static_cast<long>(got));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;  // the file is shorter now, or cannot be read
    got += static_cast<std::size_t>(n);
  }
  bytes.resize(got);
  return bytes;
}

TagLib::ByteVector HeadTailStream::readBlock(unsigned long length) {
  const long start = std::clamp(position_, 0L, Size());
  const long end = start + static_cast<long>(std::min<unsigned long>(length, static_cast<unsigned long>(Size() - start)));
  position_ = end;
  if (end <= static_cast<long>(head_.size()))
    return TagLib::ByteVector(head_.data() + start, static_cast<unsigned int>(end - start));
  if (start >= tailStart_ && end <= tailStart_ + static_cast<long>(tail_.size()))
    return TagLib::ByteVector(tail_.data() + (start - tailStart_), static_cast<unsigned int>(end - start));
  const std::string bytes = ReadAt(start, end - start);
  return TagLib::ByteVector(bytes.data(), static_cast<unsigned int>(bytes.size()));
}

void HeadTailStream::seek(long offset, Position from) {
  const long base = from == Beginning ? 0 : from == Current ? position_ : Size();
  position_ = std::max(base + offset, 0L);
}
