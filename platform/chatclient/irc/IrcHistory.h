#pragma once

#include <chrono>

#include <QByteArray>
#include <QSet>

#include "platform/chatclient/irc/IrcChannels.h"
#include "platform/chatclient/irc/IrcMessage.h"

namespace irc {

// Tells a channel's news from what the server replays of earlier talk
// (a bouncer's buffer, a network's history on joining):
// - with the "batch" capability, a line inside a chathistory or playback
//   batch is a replay;
// - with "server-time", a line stamped before the server's stamp on our
//   JOIN is a replay;
// - with neither (or no stamp on our JOIN), a line in the first second
//   after our JOIN cannot be told apart: it is Unsure.
class IrcHistory {
 public:
  enum class Kind { News, Replay, Unsure };
  static constexpr std::chrono::seconds kUnsureAfterJoin{1};

  // A BATCH line: "+ref type ..." opens, "-ref" closes.
  void Batch(const IrcMessage& batch);
  Kind Classify(const IrcMessage& line, const IrcChannel& channel, std::chrono::steady_clock::time_point now,
                bool stampsOffered, bool batchesOffered) const;
  void Clear() { open_.clear(), history_.clear(); }

  // The server's stamp of a line ("time" tag), if it has a readable one.
  static std::optional<QDateTime> Stamp(const IrcMessage& line);

 private:
  QSet<QByteArray> open_;
  QSet<QByteArray> history_;  // the open batches that replay
};

}  // namespace irc
