#include "platform/chatclient/irc/IrcWire.h"

#include "platform/chatclient/irc/IrcSplit.h"

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

std::vector<QByteArray> OwnPrivmsgLines(QByteArrayView target, const QString& text, int prefixBytes) {
  std::vector<QByteArray> lines;
  for (QByteArray& piece : SplitIrcText(WireSafe(text.toUtf8()), PrivmsgTextBytes(prefixBytes, target)))
    lines.push_back(FramePrivmsg(target, std::move(piece)).chopped(2));
  return lines;
}

QByteArray OwnActionLine(QByteArrayView target, const QString& text, int prefixBytes, bool* cut) {
  // "\x01ACTION " and "\x01" around the text.
  const int room = PrivmsgTextBytes(prefixBytes, target) - 9;
  const std::vector<QByteArray> pieces = SplitIrcText(WireSafe(text.toUtf8()).replace('\x01', ' '), room);
  *cut = pieces.size() > 1;
  return FramePrivmsg(target, "\x01" "ACTION " + (pieces.empty() ? QByteArray() : pieces.front()) + "\x01").chopped(2);
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
