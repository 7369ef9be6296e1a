#include "platform/chatclient/irc/IrcRanks.h"

#include <cstddef>

#include <QByteArrayView>

#include "platform/chatclient/irc/IrcText.h"

namespace irc {

bool ReadRankModes(const IrcMessage& mode, const std::function<bool(const QString&, QChar, bool)>& mark) {
  std::size_t argument = 2;
  bool give = true;
  bool changed = false;
  for (const char letter : mode.Param(1)) {
    if (letter == '+' || letter == '-') {
      give = letter == '+';
      continue;
    }
    // The modes that take an argument: ranks, lists, a key, a limit (when set).
    static const QByteArray kWithArgument = "qaohvbeIkfj";
    if (!kWithArgument.contains(letter) && !(letter == 'l' && give)) continue;
    const QString nick = DecodeIrcText(mode.Param(argument++));
    if (QByteArrayView("qao").contains(letter)) changed |= mark(nick, u'@', give);
    if (QByteArrayView("hv").contains(letter)) changed |= mark(nick, u'+', give);
  }
  return changed;
}

bool ChangeRank(QHash<QString, QChar>& ranks, const QString& key, QChar rank, bool give) {
  const QChar held = ranks.value(key);
  if (give && (held.isNull() || (held == u'+' && rank == u'@'))) {
    ranks.insert(key, rank);
    return true;
  }
  if (!give && held == rank) {
    ranks.remove(key);
    return true;
  }
  return false;
}

QStringList RankedMembers(const QHash<QString, QString>& members, const QHash<QString, QChar>& ranks) {
  QStringList list;
  for (auto it = ranks.cbegin(); it != ranks.cend(); ++it) list.push_back(it.value() + members.value(it.key()));
  list.sort();
  return list;
}

}  // namespace irc
