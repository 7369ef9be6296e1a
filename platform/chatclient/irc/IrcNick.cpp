#include "platform/chatclient/irc/IrcNick.h"

#include <algorithm>

namespace irc {

namespace {

// What RFC 2812 promises every server takes, when the server says nothing.
constexpr int kShortestNickLength = 9;

}  // namespace

QByteArray NickFromScreenName(const QString& screenName) {
  QByteArray nick;
  for (QChar c : screenName.trimmed()) {
    const char16_t u = c.unicode();
    if (u == ' ' || u == '\t') {
      nick += '_';
    } else if ((u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || QStringView(u"[]\\`_^{|}").contains(c) ||
               (!nick.isEmpty() && ((u >= '0' && u <= '9') || u == '-'))) {
      nick += static_cast<char>(u);
    }
  }
  return nick.isEmpty() ? QByteArray("Morva") : nick.left(kLongestFirstNick);
}

QByteArray NextNick(const QByteArray& base, int tries, int nickLength) {
  const QByteArray tail(tries, '_');
  const int longest = nickLength > 0 ? nickLength : kShortestNickLength;
  QByteArray next = base + tail;
  if (next.size() > longest) next = base.left(std::max<qsizetype>(1, longest - tail.size())) + tail;
  return next;
}

}  // namespace irc
