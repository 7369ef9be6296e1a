#pragma once

#include <QByteArrayView>
#include <QStringView>

namespace irc {

// The formatting codes of IRC text as clients send them.
inline constexpr char kBold = '\x02';
inline constexpr char kColour = '\x03';      // + up to 2 digits [, + up to 2 digits]
inline constexpr char kHexColour = '\x04';   // + 6 hex digits [, + 6 hex digits]
inline constexpr char kReset = '\x0F';
inline constexpr char kMonospace = '\x11';
inline constexpr char kReverse = '\x16';
inline constexpr char kItalic = '\x1D';
inline constexpr char kStrikethrough = '\x1E';
inline constexpr char kUnderline = '\x1F';

// The length of the formatting code starting at pos, with its colour digits,
// or 0 when none starts there. A ',' after a colour belongs to the code only
// when a digit follows it, as clients read it.
qsizetype FormatCodeLength(QStringView text, qsizetype pos);
qsizetype FormatCodeLength(QByteArrayView text, qsizetype pos);

}  // namespace irc
