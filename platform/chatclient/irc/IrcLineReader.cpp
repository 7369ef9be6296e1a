#include "platform/chatclient/irc/IrcLineReader.h"

namespace irc {

std::vector<QByteArray> IrcLineReader::Feed(QByteArrayView chunk) {
  std::vector<QByteArray> lines;
  while (!chunk.isEmpty()) {
    const qsizetype lf = chunk.indexOf('\n');
    const QByteArrayView part = lf < 0 ? chunk : chunk.first(lf);
    // One byte over the limit is kept for a CR that may end the line.
    if (!skipping_ && pending_.size() + part.size() <= kMaxLineBytes + 1) {
      pending_.append(part);
    } else {
      pending_.clear();
      if (!skipping_) ++linesTooLong_;
      skipping_ = true;
    }
    if (lf < 0) break;
    Finish(lines);
    chunk = chunk.sliced(lf + 1);
  }
  return lines;
}

void IrcLineReader::Finish(std::vector<QByteArray>& lines) {
  QByteArray line = std::move(pending_);
  pending_ = QByteArray();
  const bool skipped = skipping_;
  skipping_ = false;
  if (skipped) return;
  if (line.endsWith('\r')) line.chop(1);
  if (line.size() > kMaxLineBytes) ++linesTooLong_;
  if (line.isEmpty() || line.size() > kMaxLineBytes || line.contains('\0')) return;
  lines.push_back(std::move(line));
}

}  // namespace irc
