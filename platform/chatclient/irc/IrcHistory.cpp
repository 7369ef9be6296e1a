#include "platform/chatclient/irc/IrcHistory.h"

namespace irc {

namespace {

// Batch types that carry earlier talk: IRCv3 chathistory, and ZNC's buffer.
bool Replays(QByteArrayView type) { return type.contains("chathistory") || type.contains("playback"); }

}  // namespace

void IrcHistory::Batch(const IrcMessage& batch) {
  const QByteArray ref = batch.Param(0);
  if (ref.size() < 2) return;
  const QByteArray name = ref.mid(1);
  if (ref.startsWith('-')) {
    open_.remove(name);
    history_.remove(name);
    return;
  }
  if (!ref.startsWith('+')) return;
  // Bounded: a server that opens batches and never closes them gets no more.
  if (open_.size() >= 1000) return;
  open_.insert(name);
  const auto parent = batch.Tag("batch");
  if (Replays(batch.Param(1)) || (parent && history_.contains(*parent))) history_.insert(name);
}

std::optional<QDateTime> IrcHistory::Stamp(const IrcMessage& line) {
  const auto time = line.Tag("time");
  if (!time) return std::nullopt;
  QDateTime stamp = QDateTime::fromString(QString::fromLatin1(*time), Qt::ISODateWithMs);
  if (!stamp.isValid()) return std::nullopt;
  return stamp;
}

IrcHistory::Kind IrcHistory::Classify(const IrcMessage& line, const IrcChannel& channel,
                                      std::chrono::steady_clock::time_point now, bool stampsOffered,
                                      bool batchesOffered) const {
  if (const auto ref = line.Tag("batch"); ref && history_.contains(*ref)) return Kind::Replay;
  const auto stamp = Stamp(line);
  if (stamp && channel.joinedServerTime) return *stamp < *channel.joinedServerTime ? Kind::Replay : Kind::News;
  if (stampsOffered && channel.joinedServerTime) return Kind::News;  // stamped JOIN, unstamped line
  if (batchesOffered && !stampsOffered) return Kind::News;
  return now - channel.joinedAt < kUnsureAfterJoin ? Kind::Unsure : Kind::News;
}

}  // namespace irc
