#include "platform/chatclient/irc/IrcText.h"

#include <algorithm>

#include "platform/chatclient/irc/IrcFormatCode.h"
#include "platform/chatclient/irc/IrcMessage.h"

namespace irc {

bool IsValidUtf8(QByteArrayView bytes) {
  const qsizetype size = bytes.size();
  for (qsizetype i = 0; i < size;) {
    const unsigned char lead = static_cast<unsigned char>(bytes[i]);
    qsizetype length = 0;
    char32_t code = 0;
    char32_t least = 0;
    if (lead < 0x80) {
      ++i;
      continue;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, code = lead & 0x1F, least = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, code = lead & 0x0F, least = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, code = lead & 0x07, least = 0x10000;
    } else {
      return false;
    }
    if (i + length > size) return false;
    for (qsizetype k = 1; k < length; ++k) {
      const unsigned char next = static_cast<unsigned char>(bytes[i + k]);
      if ((next & 0xC0) != 0x80) return false;
      code = (code << 6) | (next & 0x3F);
    }
    if (code < least || code > 0x10FFFF || (code >= 0xD800 && code <= 0xDFFF)) return false;
    i += length;
  }
  return true;
}

QString DecodeIrcText(QByteArrayView bytes) {
  // Most text is ASCII, which reads the same either way, and fastest as Latin-1.
  if (std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; })) return QString::fromLatin1(bytes);
  return IsValidUtf8(bytes) ? QString::fromUtf8(bytes) : QString::fromLatin1(bytes);
}

DecodedName::DecodedName(QByteArrayView bytes) {
  const bool ascii = std::all_of(bytes.begin(), bytes.end(), [](char c) { return (c & 0x80) == 0; });
  if (!ascii || bytes.size() > ascii_.capacity()) {
    decoded_ = DecodeIrcText(bytes);
    view_ = decoded_;
    return;
  }
  ascii_.resize(bytes.size());
  std::copy(bytes.begin(), bytes.end(), ascii_.begin());
  view_ = QStringView(ascii_.data(), ascii_.size());
}

QString LastText(const IrcMessage& message) {
  return message.params().empty() ? QString() : DecodeIrcText(message.params().back());
}

QString StripIrcFormatting(QStringView text) {
  QString plain;
  plain.reserve(text.size());
  for (qsizetype i = 0; i < text.size();) {
    const qsizetype code = FormatCodeLength(text, i);
    if (code > 0) {
      i += code;
    } else {
      plain.append(text[i]);
      ++i;
    }
  }
  return plain;
}

}  // namespace irc
