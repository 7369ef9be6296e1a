#include "platform/chatclient/irc/IrcToHtml.h"

#include <optional>

#include "platform/chathtml/ChatHtml.h"
#include "platform/chatclient/irc/IrcColour.h"
#include "platform/chatclient/irc/IrcFormatCode.h"

namespace irc {
namespace {

struct Format {
  std::optional<Rgb> colour;
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

int Digits(QStringView digits) {
  int value = 0;
  for (QChar c : digits) value = value * 10 + (c.unicode() - u'0');
  return value;
}

void Apply(Format& format, QStringView code) {
  switch (code.front().unicode()) {
    case kBold:
      format.bold = !format.bold;
      break;
    case kItalic:
      format.italic = !format.italic;
      break;
    case kUnderline:
      format.underline = !format.underline;
      break;
    case kReset:
      format = {};
      break;
    case kColour: {
      const QStringView digits = code.sliced(1).left(code.indexOf(u',') < 0 ? 2 : code.indexOf(u',') - 1);
      if (digits.isEmpty()) {
        format.colour.reset();
      } else {
        // 99 is the client's default colour.
        const int number = Digits(digits);
        format.colour = number == 99 ? std::nullopt : std::optional<Rgb>(IrcPaletteColour(number));
      }
      break;
    }
    case kHexColour:
      if (code.size() < 7) {
        format.colour.reset();
      } else {
        format.colour = code.sliced(1, 6).toUInt(nullptr, 16);
      }
      break;
    default:
      break;
  }
}

void Write(QString& out, const Format& format, QStringView text) {
  if (text.isEmpty()) return;
  if (format.colour) out += QStringLiteral("<font color=#%1>").arg(*format.colour, 6, 16, QChar(u'0'));
  if (format.bold) out += u"<b>";
  if (format.italic) out += u"<i>";
  if (format.underline) out += u"<u>";
  out += chathtml::EscapeChatHtml(text);
  if (format.underline) out += u"</u>";
  if (format.italic) out += u"</i>";
  if (format.bold) out += u"</b>";
  if (format.colour) out += u"</font>";
}

}  // namespace

QString IrcToChatHtml(QStringView irc) {
  QString out;
  Format format;
  qsizetype start = 0;
  for (qsizetype i = 0; i < irc.size();) {
    const qsizetype length = FormatCodeLength(irc, i);
    if (length == 0) {
      ++i;
      continue;
    }
    Write(out, format, irc.sliced(start, i - start));
    Apply(format, irc.sliced(i, length));
    i += length;
    start = i;
  }
  Write(out, format, irc.sliced(start));
  return out;
}

}  // namespace irc
