#include "platform/chatclient/irc/ChannelName.h"

namespace irc {
namespace {

bool IsForbidden(QChar c) {
  return c == u',' || c == u':' || c.category() == QChar::Other_Control;
}

}  // namespace

QString ChannelFromRoom(QStringView room) {
  QString name;
  name.reserve(room.size() + 1);
  for (QChar c : room.trimmed()) {
    if (c == u' ' || c == u'\t') {
      name.append(u'_');
    } else if (!IsForbidden(c)) {
      name.append(c);
    }
  }
  if (!name.startsWith(u'#') && !name.startsWith(u'&')) name.prepend(u'#');
  return name.size() > 1 ? name : QString();
}

}  // namespace irc
