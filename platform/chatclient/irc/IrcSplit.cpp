#include "platform/chatclient/irc/IrcSplit.h"

#include "platform/chatclient/irc/IrcFormatCode.h"
#include "platform/chatclient/irc/IrcFormatState.h"

namespace irc {
namespace {

// The longest formatting code: \x04 + 6 hex digits + ',' + 6 hex digits.
constexpr qsizetype kLongestUnit = 14;

// The length of the code or whole UTF-8 character at pos; a byte that does
// not start a well-formed sequence stands alone.
qsizetype UnitLength(QByteArrayView text, qsizetype pos) {
  if (const qsizetype code = FormatCodeLength(text, pos)) return code;
  const unsigned char lead = static_cast<unsigned char>(text[pos]);
  const qsizetype length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  if (length == 1 || pos + length > text.size()) return 1;
  for (qsizetype k = 1; k < length; ++k) {
    if ((static_cast<unsigned char>(text[pos + k]) & 0xC0) != 0x80) return 1;
  }
  return length;
}

}  // namespace

int RelayedPrefixBytes(QByteArrayView nick, QByteArrayView user, QByteArrayView host) {
  const qsizetype userBytes = user.isEmpty() ? kUnknownUserBytes : user.size();
  const qsizetype hostBytes = host.isEmpty() ? kUnknownHostBytes : host.size();
  return int(1 + nick.size() + 1 + userBytes + 1 + hostBytes);
}

int PrivmsgTextBytes(int prefixBytes, QByteArrayView channel) {
  // prefix " PRIVMSG " channel " :" text "\r\n"
  return kRelayedLineBytes - prefixBytes - 9 - int(channel.size()) - 2 - 2;
}

std::vector<QByteArray> SplitIrcText(QByteArrayView text, int maxBytes) {
  std::vector<QByteArray> pieces;
  IrcFormatState state;  // in effect at pos
  for (qsizetype pos = 0; pos < text.size();) {
    QByteArray piece;
    if (!pieces.empty()) {
      piece = state.Codes();
      if (!piece.isEmpty() && state.CodesEndInColour() && text[pos] == ',') {
        piece.append(QByteArray(2, kBold));
      }
      if (maxBytes - piece.size() < kLongestUnit) piece.clear();
    }
    const qsizetype budget = maxBytes - piece.size();
    IrcFormatState scanned = state;
    qsizetype end = pos;
    qsizetype blankAt = -1;  // the last blank that fits, after the piece's start
    IrcFormatState atBlank;
    while (end < text.size()) {
      const qsizetype unit = UnitLength(text, end);
      if (end + unit - pos > budget && end > pos) break;
      if (unit == 1 && text[end] == ' ' && end > pos) {
        blankAt = end;
        atBlank = scanned;
      }
      if (FormatCodeLength(text, end) > 0) scanned.Apply(text.sliced(end, unit));
      end += unit;
    }
    // A piece never ends in a blank, which servers strip from the end of a
    // line: a word cut in two, and the blanks before it, go to the next
    // piece when a blank came before them.
    const bool cut = end < text.size() && (text[end - 1] == ' ' || text[end] != ' ');
    if (cut && blankAt > pos) {
      end = blankAt;
      scanned = atBlank;
      while (end - 1 > pos && text[end - 1] == ' ') --end;
    }
    piece.append(text.sliced(pos, end - pos));
    pieces.push_back(std::move(piece));
    state = scanned;
    pos = end;
  }
  return pieces;
}

}  // namespace irc
