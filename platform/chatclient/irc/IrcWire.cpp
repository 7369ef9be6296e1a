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

bool IsJoinRefusal(QByteArrayView command) {
  static constexpr QByteArrayView kRefusals[] = {"403", "405", "471", "473", "474", "475", "476", "477", "479"};
  for (QByteArrayView refusal : kRefusals)
    if (command == refusal) return true;
  return false;
}

std::vector<QByteArray> SaslPlainLines(const QByteArray& account, const QByteArray& password) {
  const QByteArray payload = (account + '\0' + account + '\0' + password).toBase64();
  constexpr qsizetype kPiece = 400;
  std::vector<QByteArray> lines;
  for (qsizetype at = 0; at < payload.size(); at += kPiece) lines.push_back("AUTHENTICATE " + payload.mid(at, kPiece));
  if (payload.size() % kPiece == 0) lines.push_back("AUTHENTICATE +");
  return lines;
}

}  // namespace irc
