#include "platform/chathtml/HtmlCharRef.h"

#include <array>
#include <utility>

namespace chathtml {
namespace {

constexpr std::array<std::pair<const char16_t*, char32_t>, 6> kNamed = {{
    {u"amp", '&'}, {u"lt", '<'}, {u"gt", '>'}, {u"quot", '"'}, {u"apos", '\''}, {u"nbsp", ' '},
}};

constexpr qsizetype kMostDecimalDigits = 7;  // 1114111
constexpr qsizetype kMostHexDigits = 6;      // 10FFFF
constexpr qsizetype kLongestName = 4;

int DigitValue(char16_t c, int base) {
  int value = -1;
  if (c >= '0' && c <= '9') value = c - '0';
  if (c >= 'a' && c <= 'f') value = c - 'a' + 10;
  if (c >= 'A' && c <= 'F') value = c - 'A' + 10;
  return value < base ? value : -1;
}

bool IsUsable(char32_t code) {
  if (code < 0x20 || (code >= 0x7F && code <= 0x9F)) return false;
  if (code >= 0xD800 && code <= 0xDFFF) return false;
  return code <= 0x10FFFF;
}

std::optional<HtmlCharRef> ReadNumber(QStringView text, qsizetype pos, qsizetype start) {
  int base = 10;
  qsizetype most = kMostDecimalDigits;
  qsizetype i = start;
  if (i < text.size() && (text[i] == u'x' || text[i] == u'X')) {
    base = 16;
    most = kMostHexDigits;
    ++i;
  }
  const qsizetype digitsStart = i;
  char32_t code = 0;
  for (; i < text.size() && i - digitsStart <= most; ++i) {
    const int digit = DigitValue(text[i].unicode(), base);
    if (digit < 0) break;
    code = code * char32_t(base) + char32_t(digit);
  }
  const qsizetype digits = i - digitsStart;
  if (digits == 0 || digits > most || i >= text.size() || text[i] != u';') return std::nullopt;
  if (!IsUsable(code)) return std::nullopt;
  return HtmlCharRef{code, i + 1 - pos};
}

}  // namespace

std::optional<HtmlCharRef> ReadHtmlCharRef(QStringView text, qsizetype pos) {
  if (pos < 0 || pos + 1 >= text.size() || text[pos] != u'&') return std::nullopt;
  if (text[pos + 1] == u'#') return ReadNumber(text, pos, pos + 2);
  const qsizetype semicolon = text.sliced(pos + 1, std::min(text.size() - pos - 1, kLongestName + 1))
                                  .indexOf(u';');
  if (semicolon < 0) return std::nullopt;
  const QStringView name = text.sliced(pos + 1, semicolon);
  for (const auto& [known, code] : kNamed) {
    if (name == QStringView(known)) return HtmlCharRef{code, semicolon + 2};
  }
  return std::nullopt;
}

}  // namespace chathtml
