#include "platform/chathtml/HtmlColour.h"

#include <array>
#include <utility>

namespace chathtml {
namespace {

constexpr std::array<std::pair<const char16_t*, Rgb>, 19> kColourNames = {{
    {u"white", 0xffffff}, {u"black", 0x000000}, {u"blue", 0x0000ff}, {u"green", 0x008000},
    {u"red", 0xff0000}, {u"maroon", 0x800000}, {u"purple", 0x800080}, {u"orange", 0xffa500},
    {u"yellow", 0xffff00}, {u"lime", 0x00ff00}, {u"teal", 0x008080}, {u"aqua", 0x00ffff},
    {u"cyan", 0x00ffff}, {u"navy", 0x000080}, {u"fuchsia", 0xff00ff}, {u"gray", 0x808080},
    {u"grey", 0x808080}, {u"silver", 0xc0c0c0}, {u"olive", 0x808000},
}};

int HexDigit(char16_t c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

std::optional<Rgb> ParseHex(QStringView digits) {
  Rgb value = 0;
  for (QChar c : digits) {
    const int digit = HexDigit(c.unicode());
    if (digit < 0) return std::nullopt;
    value = value * 16 + Rgb(digit);
  }
  return value;
}

}  // namespace

std::optional<Rgb> ParseHtmlColour(QStringView value) {
  value = value.trimmed();
  for (const auto& [name, rgb] : kColourNames) {
    if (value.compare(QStringView(name), Qt::CaseInsensitive) == 0) return rgb;
  }
  if (value.startsWith(u'#')) value = value.sliced(1);
  if (value.size() == 6) return ParseHex(value);
  if (value.size() == 3) {
    const auto nibbles = ParseHex(value);
    if (!nibbles) return std::nullopt;
    const Rgb r = (*nibbles >> 8) & 0xf, g = (*nibbles >> 4) & 0xf, b = *nibbles & 0xf;
    return (r * 0x11) << 16 | (g * 0x11) << 8 | (b * 0x11);
  }
  return std::nullopt;
}

}  // namespace chathtml
