#include "platform/chatclient/irc/IrcCaseMapping.h"

namespace irc {
namespace {

char16_t Lower(char16_t c) {
  if (c >= 'A' && c <= 'Z') return c + ('a' - 'A');
  switch (c) {
    case '[': return '{';
    case ']': return '}';
    case '\\': return '|';
    case '~': return '^';
    default: return c;
  }
}

}  // namespace

QString IrcLower(QStringView text) {
  QString lower(text.size(), Qt::Uninitialized);
  for (qsizetype i = 0; i < text.size(); ++i) lower[i] = QChar(Lower(text[i].unicode()));
  return lower;
}

bool IrcEqualNoCase(QStringView a, QStringView b) {
  if (a.size() != b.size()) return false;
  for (qsizetype i = 0; i < a.size(); ++i) {
    if (Lower(a[i].unicode()) != Lower(b[i].unicode())) return false;
  }
  return true;
}

}  // namespace irc
