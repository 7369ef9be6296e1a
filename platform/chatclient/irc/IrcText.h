#pragma once

#include <QByteArrayView>
#include <QString>
#include <QVarLengthArray>

namespace irc {

struct IrcMessage;

// Whether the bytes are well-formed UTF-8: no overlong forms, no surrogates,
// nothing above U+10FFFF, no sequence cut short.
bool IsValidUtf8(QByteArrayView bytes);

// Received text (a parameter, a nick) as UTF-8; bytes that are not valid
// UTF-8 are read as Latin-1 instead, the whole piece at once, as common
// clients do for the older clients that still send Latin-1.
QString DecodeIrcText(QByteArrayView bytes);

// Bytes decoded as DecodeIrcText does, for a name that is looked at and not
// kept (a channel to find, a nick to compare): a short ASCII one is widened
// on the stack, without an allocation.
class DecodedName {
 public:
  explicit DecodedName(QByteArrayView bytes);
  DecodedName(const DecodedName&) = delete;
  DecodedName& operator=(const DecodedName&) = delete;

  QStringView view() const { return view_; }

 private:
  QVarLengthArray<char16_t, 64> ascii_;
  QString decoded_;
  QStringView view_;
};

// The message's last parameter (most often the trailing one), decoded; empty
// when it has none.
QString LastText(const IrcMessage& message);

// The text without the formatting codes of IRC (bold, colours with their
// digits, hex colours, reset, monospace, reverse, italic, strikethrough,
// underline).
QString StripIrcFormatting(QStringView text);

}  // namespace irc
