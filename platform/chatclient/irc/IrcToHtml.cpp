#include "platform/chatclient/irc/IrcToHtml.h"

#include <algorithm>
#include <optional>

#include "platform/chathtml/ChatHtml.h"
#include "platform/chatclient/irc/IrcColour.h"
#include "platform/chatclient/irc/IrcFormatCode.h"

namespace irc {
namespace {

struct Format {
  std::optional<Rgb> colour;
  std::optional<Rgb> background;
  bool bold = false;
  bool italic = false;
  bool underline = false;
};

// 99 is the client's default colour.
std::optional<Rgb> PaletteColour(int number) {
  return number == 99 ? std::nullopt : std::optional<Rgb>(IrcPaletteColour(number));
}

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
      const qsizetype comma = code.indexOf(u',');
      const QStringView digits = code.sliced(1).left(comma < 0 ? 2 : comma - 1);
      if (digits.isEmpty()) {
        // A bare colour code ends the colour and the background.
        format.colour.reset();
        format.background.reset();
        break;
      }
      format.colour = PaletteColour(Digits(digits));
      if (comma > 0) format.background = PaletteColour(Digits(code.sliced(comma + 1)));
      break;
    }
    case kHexColour: {
      if (code.size() < 7) {
        format.colour.reset();
        format.background.reset();
        break;
      }
      format.colour = code.sliced(1, 6).toUInt(nullptr, 16);
      if (code.size() >= 14) format.background = code.sliced(8, 6).toUInt(nullptr, 16);
      break;
    }
    default:
      break;
  }
}

void Write(QString& out, const Format& format, QStringView text) {
  if (text.isEmpty()) return;
  const bool font = format.colour || format.background;
  if (font) {
    out += u"<font";
    if (format.colour) out += QStringLiteral(" color=#%1").arg(*format.colour, 6, 16, QChar(u'0'));
    if (format.background) out += QStringLiteral(" back=#%1").arg(*format.background, 6, 16, QChar(u'0'));
    out += u'>';
  }
  if (format.bold) out += u"<b>";
  if (format.italic) out += u"<i>";
  if (format.underline) out += u"<u>";
  out += chathtml::EscapeChatHtml(text);
  if (format.underline) out += u"</u>";
  if (format.italic) out += u"</i>";
  if (format.bold) out += u"</b>";
  if (font) out += u"</font>";
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

QString IrcToChatHtml(const QString& irc) {
  // Every formatting code is a control character.
  const bool plain = std::none_of(irc.cbegin(), irc.cend(), [](QChar c) {
    return c.unicode() < 0x20 || c == u'&' || c == u'<' || c == u'>';
  });
  return plain ? irc : IrcToChatHtml(QStringView(irc));
}

}  // namespace irc
