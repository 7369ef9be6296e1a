#pragma once

#include <string>

#include <taglib/tiostream.h>

// A read-only TagLib stream over an open file that holds the file's head and
// its tail in memory, each read once. What TagLib reads of an MP3 file for
// its tags and its length lies there (the ID3v2 tag and the first frame at
// the head; the ID3v1 and APE tags and the last frame at the tail), so its
// many small seeks and reads cost no system call each. A read elsewhere goes
// to the file. The descriptor stays the caller's.
class HeadTailStream : public TagLib::IOStream {
 public:
  HeadTailStream(int fd, const char* name);

  TagLib::FileName name() const override { return name_; }
  TagLib::ByteVector readBlock(unsigned long length) override;
  void writeBlock(const TagLib::ByteVector&) override {}
  void insert(const TagLib::ByteVector&, unsigned long, unsigned long) override {}
  void removeBlock(unsigned long, unsigned long) override {}
  bool readOnly() const override { return true; }
  bool isOpen() const override { return size_ >= 0; }
  void seek(long offset, Position from) override;
  long tell() const override { return position_; }
  long length() override { return Size(); }
  void truncate(long) override {}

 private:
  long Size() const { return size_ < 0 ? 0 : size_; }
  // Up to `size` bytes from `offset` on, as the file gives them.
  std::string ReadAt(long offset, long size) const;

  const int fd_;
  const char* const name_;
  long size_ = -1;  // -1: the file cannot be read
  long position_ = 0;
  std::string head_;  // the file's bytes from 0
  long tailStart_ = 0;
  std::string tail_;  // the file's bytes from tailStart_ to its end
};
