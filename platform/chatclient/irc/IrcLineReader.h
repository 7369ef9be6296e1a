#pragma once

#include <cstddef>
#include <vector>

#include <QByteArray>
#include <QByteArrayView>

namespace irc {

// Cuts the bytes received from a server, in chunks of any size, into lines.
// A line ends in LF, with or without a CR before it; the lines given back
// have neither. Empty lines are skipped.
//
// Memory stays bounded whatever the server sends: a line longer than
// kMaxLineBytes (IRCv3 allows 8191 bytes of tags before a 512-byte message)
// is discarded, and the reader skips everything up to the next LF without
// keeping it. A line holding a NUL byte is discarded too: NUL can never be
// part of an IRC message, and dropping only the byte would join text the
// sender never wrote together.
class IrcLineReader {
 public:
  static constexpr qsizetype kMaxLineBytes = 8191 + 512;

  // The lines completed by this chunk, in order.
  std::vector<QByteArray> Feed(QByteArrayView chunk);

  // Bytes held for a line not yet complete (never more than kMaxLineBytes + 1).
  qsizetype pendingBytes() const { return pending_.size(); }
  // Whether the next byte fed continues a line (kept or skipped).
  bool midLine() const { return skipping_ || !pending_.isEmpty(); }
  // How many lines were discarded for their length so far, the one being
  // skipped included: a reader that must refuse such a line, not only drop
  // it, learns of it as soon as it goes over.
  qsizetype linesTooLong() const { return linesTooLong_; }

 private:
  // A complete line without its LF: kept unless empty, too long or holding NUL.
  void Keep(QByteArrayView line, std::vector<QByteArray>& lines);

  QByteArray pending_;
  bool skipping_ = false;  // in a line too long to keep, until its LF
  qsizetype linesTooLong_ = 0;
};

}  // namespace irc
