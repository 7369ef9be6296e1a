#pragma once

#include <QString>

// The three prefixes an announcement line can start with. They are the
// chat's HTML: red Arial text, white Arial text, and red after closing bold.
inline const QString kRedPrefix = QStringLiteral("<font face=\"arial\"><font color=#ff0000>");
inline const QString kWhitePrefix = QStringLiteral("<font color=#ffffff><font face=\"arial\">");
inline const QString kBoldClosePrefix = QStringLiteral("</b><font face=\"arial\"><font color=#ff0000>");

inline QString Red(const QString& message) { return kRedPrefix + message; }

// "•" U+2022 and "·" U+00B7, as the lines spell them.
inline const QString kBullet = QString(QChar(0x2022));
inline const QString kMiddleDot = QString(QChar(0x00B7));

// The lifecycle lines, also sent by ".adv" and ".exit".
inline QString ProductLine() {
  return Red(kBullet + " Morva MP3 " + kBullet + " By: Morva " + kBullet + " [Public]");
}
inline QString LoadedLine(const QString& screenName) { return Red(kBullet + " Loaded By:" + screenName); }
inline QString UnloadedLine(const QString& screenName) { return Red(kBullet + " Unloaded By:" + screenName); }

// "• Morva MP3 • " + message, in red: the form of most lines.
inline QString MorvaLine(const QString& message) { return Red(kBullet + " Morva MP3 " + kBullet + " " + message); }
