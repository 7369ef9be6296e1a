#include "platform/chatscanner/ChatHtml.h"

#include <algorithm>

namespace {

// Length of the tag starting at i, or 0 when the "<" there is text. closeAt
// carries the position of the next ">" from one call to the next (-1: there
// is none left; -2: not looked for yet), so a line is searched once.
qsizetype TagLength(const QString& line, qsizetype i, qsizetype& closeAt) {
  qsizetype j = i + 1;
  while (j < line.size() && line[j] == ' ') ++j;
  if (j >= line.size()) return 0;
  const QChar first = line[j];
  const bool opens = first.isLetter() || first == '/' || first == '!' || first == '?';
  // "< /b>" or "<  3" with blanks: only a letter may follow them.
  if (!opens || (j > i + 1 && !first.isLetter() && first != '/')) return 0;
  if (closeAt == -2 || (closeAt >= 0 && closeAt < j)) closeAt = line.indexOf('>', j);
  return closeAt < 0 ? 0 : closeAt - i + 1;
}

// Decodes the reference starting at i ("&...;"); returns its length, 0 when
// the "&" there is text.
qsizetype Reference(const QString& line, qsizetype i, QString& decoded) {
  // A reference is short: look no further than its longest form.
  qsizetype semicolon = -1;
  for (qsizetype j = i + 1; j < line.size() && j - i <= 10; ++j) {
    if (line[j] == ';') {
      semicolon = j;
      break;
    }
  }
  if (semicolon < 0) return 0;
  const QString name = line.mid(i + 1, semicolon - i - 1);
  static const struct {
    const char* name;
    char16_t character;
  } kNamed[] = {{"amp", '&'}, {"lt", '<'}, {"gt", '>'}, {"quot", '"'}, {"apos", '\''}, {"nbsp", ' '}};
  for (const auto& named : kNamed) {
    if (name == QLatin1String(named.name)) {
      decoded = QString(QChar(named.character));
      return semicolon - i + 1;
    }
  }
  if (name.size() < 2 || name[0] != '#') return 0;
  bool ok = false;
  const uint code = (name[1] == 'x' || name[1] == 'X') ? name.mid(2).toUInt(&ok, 16) : name.mid(1).toUInt(&ok, 10);
  // Control characters, surrogates and out-of-range values stay as written.
  if (!ok || code < 0x20 || code == 0x7F || (code >= 0xD800 && code <= 0xDFFF) || code > 0x10FFFF) return 0;
  const char32_t character = code;
  decoded = QString::fromUcs4(&character, 1);
  return semicolon - i + 1;
}

}  // namespace

QString StripChatHtml(const QString& line) {
  // Most lines hold neither a tag nor a reference: they are their own text.
  if (std::none_of(line.begin(), line.end(), [](QChar c) { return c == u'<' || c == u'&'; })) return line;
  QString text;
  text.reserve(line.size());
  qsizetype closeAt = -2;
  for (qsizetype i = 0; i < line.size();) {
    const QChar c = line[i];
    if (c == '<') {
      if (const qsizetype length = TagLength(line, i, closeAt)) {
        i += length;
        continue;
      }
    } else if (c == '&') {
      QString decoded;
      if (const qsizetype length = Reference(line, i, decoded)) {
        text += decoded;
        i += length;
        continue;
      }
    }
    text += c;
    ++i;
  }
  return text;
}
