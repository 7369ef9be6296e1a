#include "src/aol/AolClient.h"
#include "src/aol/Ansi.h"

QString AolClient::DropSpaces(const QString& text) {
  if (!text.contains(' ')) return text;
  QString result;
  result.reserve(text.size());
  for (QChar c : text)
    if (c != ' ') result.append(c);
  return result;
}

QString AolClient::ReplaceText(const QString& text, const QString& find, const QString& replacement) {
  if (find.isEmpty()) return text;
  const QString lowerFind = LowerEachCharacter(find);
  QString result = text;
  qsizetype at = LowerEachCharacter(result).indexOf(lowerFind);
  while (at >= 0) {
    result = result.left(at) + replacement + result.mid(at + find.size());
    at = LowerEachCharacter(result).indexOf(lowerFind, at + replacement.size());
  }
  return result;
}
