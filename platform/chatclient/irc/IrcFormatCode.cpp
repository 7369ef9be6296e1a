#include "platform/chatclient/irc/IrcFormatCode.h"

namespace irc {
namespace {

char16_t At(QStringView text, qsizetype i) { return text[i].unicode(); }
char16_t At(QByteArrayView text, qsizetype i) { return static_cast<unsigned char>(text[i]); }

bool IsDigit(char16_t c) { return c >= '0' && c <= '9'; }
bool IsHex(char16_t c) {
  return IsDigit(c) || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

template <typename View>
qsizetype Count(View text, qsizetype pos, qsizetype most, bool (*accept)(char16_t)) {
  qsizetype n = 0;
  while (n < most && pos + n < text.size() && accept(At(text, pos + n))) ++n;
  return n;
}

template <typename View>
qsizetype CodeLength(View text, qsizetype pos) {
  if (pos < 0 || pos >= text.size()) return 0;
  const char16_t c = At(text, pos);
  auto commaAt = [&](qsizetype i) { return i < text.size() && At(text, i) == ','; };
  switch (c) {
    case kBold:
    case kReset:
    case kMonospace:
    case kReverse:
    case kItalic:
    case kStrikethrough:
    case kUnderline:
      return 1;
    case kColour: {
      const qsizetype fg = Count(text, pos + 1, 2, IsDigit);
      qsizetype length = 1 + fg;
      if (fg > 0 && commaAt(pos + length)) {
        const qsizetype bg = Count(text, pos + length + 1, 2, IsDigit);
        if (bg > 0) length += 1 + bg;
      }
      return length;
    }
    case kHexColour: {
      if (Count(text, pos + 1, 6, IsHex) < 6) return 1;
      qsizetype length = 7;
      if (commaAt(pos + length) && Count(text, pos + length + 1, 6, IsHex) == 6) length += 7;
      return length;
    }
    default:
      return 0;
  }
}

}  // namespace

qsizetype FormatCodeLength(QStringView text, qsizetype pos) { return CodeLength(text, pos); }
qsizetype FormatCodeLength(QByteArrayView text, qsizetype pos) { return CodeLength(text, pos); }

}  // namespace irc
