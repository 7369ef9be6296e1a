#include "platform/chatclient/irc/IrcWire.h"

namespace irc {

QByteArray WireSafe(QByteArray bytes) {
  for (char& c : bytes) {
    if (c == '\r' || c == '\n' || c == '\0') c = ' ';
  }
  return bytes;
}

QByteArray FramePrivmsg(QByteArrayView channel, QByteArray text) {
  return "PRIVMSG " + WireSafe(channel.toByteArray()) + " :" + WireSafe(std::move(text)) + "\r\n";
}

}  // namespace irc
