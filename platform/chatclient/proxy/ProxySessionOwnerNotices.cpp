// What Morva tells the owner alone reaches his own client as a NOTICE from
// a pseudo-user, as bouncers do; it never goes up to the network.

#include "platform/chatclient/proxy/ProxySession.h"

#include "platform/chatclient/irc/IrcSplit.h"
#include "platform/chatclient/irc/IrcWire.h"

namespace irc {
namespace {

constexpr QByteArrayView kPseudoUser = ":*morva!morva@morva";
// Notices kept while no client is signed on, told once one is.
constexpr std::size_t kMostHeld = 20;

}  // namespace

void ProxySession::TellOwner(const QString& text) {
  if (text.isEmpty()) return;
  if (state_ == State::Relaying && registered_) return NoticeToClient(text);
  if (heldNotices_.size() >= kMostHeld) heldNotices_.pop_front();
  heldNotices_.push_back(text);
}

void ProxySession::NoticeToClient(const QString& text) {
  const QByteArray head = kPseudoUser.toByteArray() + " NOTICE " + WireSafe(nick_) + " :";
  for (const QByteArray& piece : SplitIrcText(WireSafe(text.toUtf8()), kRelayedLineBytes - 2 - head.size()))
    ToClient(head + piece);
}

void ProxySession::TellHeldNotices() {
  while (!heldNotices_.empty()) {
    NoticeToClient(heldNotices_.front());
    heldNotices_.pop_front();
  }
}

}  // namespace irc
