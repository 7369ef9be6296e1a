#pragma once

#include <QByteArray>
#include <QString>

// Text as the window system and the profile functions take it: our "ANSI"
// code page is UTF-8, so no character is lost on the way.
inline QByteArray ToAnsi(const QString& text) { return text.toUtf8(); }
inline QString FromAnsi(const char* bytes, qsizetype count) { return QString::fromUtf8(bytes, count); }

// Lower case character by character, so that positions in the result are
// positions in the original text.
inline QString LowerEachCharacter(const QString& text) {
  QString lower = text;
  for (QChar& c : lower) c = c.toLower();
  return lower;
}
