#include "platform/chatclient/irc/IrcLineReader.h"

#include <utility>

namespace irc {

std::vector<QByteArray> IrcLineReader::Feed(QByteArrayView chunk) {
  std::vector<QByteArray> lines;
  while (!chunk.isEmpty()) {
    const qsizetype lf = chunk.indexOf('\n');
    const QByteArrayView part = lf < 0 ? chunk : chunk.first(lf);
    if (lf >= 0 && pending_.isEmpty() && !skipping_) {
      // A whole line in the chunk, as most are: copied once, at its size.
      Keep(part, lines);
      chunk = chunk.sliced(lf + 1);
      continue;
    }
    // One byte over the limit is kept for a CR that may end the line.
    if (!skipping_ && pending_.size() + part.size() <= kMaxLineBytes + 1) {
      pending_.append(part);
    } else {
      pending_.clear();
      if (!skipping_) ++linesTooLong_;
      skipping_ = true;
    }
    if (lf < 0) break;
    const QByteArray line = std::exchange(pending_, QByteArray());
    if (!std::exchange(skipping_, false)) Keep(line, lines);
    chunk = chunk.sliced(lf + 1);
  }
  return lines;
}

void IrcLineReader::Keep(QByteArrayView line, std::vector<QByteArray>& lines) {
  if (line.endsWith('\r')) line.chop(1);
  if (line.size() > kMaxLineBytes) ++linesTooLong_;
  if (line.isEmpty() || line.size() > kMaxLineBytes || line.contains('\0')) return;
  lines.emplace_back(line.data(), line.size());
}

}  // namespace irc
