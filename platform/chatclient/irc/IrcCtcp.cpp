#include "platform/chatclient/irc/IrcCtcp.h"

namespace irc {

PrivmsgText ClassifyPrivmsg(QString text) {
  constexpr QChar kDelimiter(u'\x01');
  if (!text.startsWith(kDelimiter)) return {PrivmsgText::Kind::Plain, {}, std::move(text)};
  QStringView body = QStringView(text).sliced(1);
  if (body.endsWith(kDelimiter)) body.chop(1);
  const qsizetype blank = body.indexOf(u' ');
  const QString word = (blank < 0 ? body : body.first(blank)).toString().toUpper();
  const QString args = blank < 0 ? QString() : body.sliced(blank + 1).toString();
  if (word == u"ACTION") return {PrivmsgText::Kind::Action, {}, args};
  return {PrivmsgText::Kind::Ctcp, word, args};
}

}  // namespace irc
