// Morva's own CAP and SASL with the network, for a client it answered
// itself: the session's sign-on, its lines kept from the client.

#include "platform/chatclient/proxy/ProxySession.h"

namespace irc {

bool ProxySession::UpstreamSignOn(const IrcMessage& m, Clock::time_point now) {
  std::vector<QByteArray> lines;
  const IrcSignOn::Step step = signOn_.Read(m, lines);
  if (!step.notice.isEmpty()) Notice(step.notice);
  // NICK and USER (and the client's lines that waited) before the capability requests.
  if (step.registerNow) SendRegistration(now);
  for (QByteArray& line : lines) ToUpstream(std::move(line));
  if (!step.failed.isEmpty()) SignOnFailed(step);
  return step.taken;
}

void ProxySession::SignOnFailed(const IrcSignOn::Step& step) {
  // A refused account says what it is; a network that never signs on, that it is given up.
  Notice(step.retry ? "Connection to the network given up: " + step.failed : step.failed);
  EndSession(step.failed);
}

}  // namespace irc
