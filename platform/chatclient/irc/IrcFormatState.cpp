#include "platform/chatclient/irc/IrcFormatState.h"

#include "platform/chatclient/irc/IrcFormatCode.h"

namespace irc {
namespace {

// The number of up to two digits at pos, or -1 when there are none.
int Digits(QByteArrayView code, qsizetype pos, qsizetype* end) {
  int value = -1;
  qsizetype i = pos;
  for (; i < code.size() && i < pos + 2 && code[i] >= '0' && code[i] <= '9'; ++i) {
    value = (value < 0 ? 0 : value * 10) + (code[i] - '0');
  }
  *end = i;
  return value;
}

void AppendTwoDigits(QByteArray& out, int value) {
  out.append(char('0' + value / 10));
  out.append(char('0' + value % 10));
}

}  // namespace

void IrcFormatState::Apply(QByteArrayView code) {
  if (code.isEmpty()) return;
  switch (code[0]) {
    case kBold: bold_ = !bold_; break;
    case kItalic: italic_ = !italic_; break;
    case kUnderline: underline_ = !underline_; break;
    case kReverse: reverse_ = !reverse_; break;
    case kStrikethrough: strikethrough_ = !strikethrough_; break;
    case kMonospace: monospace_ = !monospace_; break;
    case kReset: *this = IrcFormatState(); break;
    case kHexColour: hexColour_ = code.size() > 1 ? code.toByteArray() : QByteArray(); break;
    case kColour: {
      qsizetype end = 1;
      const int foreground = Digits(code, 1, &end);
      if (foreground < 0) {
        foreground_ = background_ = -1;
        break;
      }
      foreground_ = foreground;
      if (end < code.size() && code[end] == ',') {
        const int background = Digits(code, end + 1, &end);
        if (background >= 0) background_ = background;
      }
      break;
    }
    default: break;
  }
}

QByteArray IrcFormatState::Codes() const {
  QByteArray codes;
  if (foreground_ >= 0) {
    codes.append(kColour);
    AppendTwoDigits(codes, foreground_);
    if (background_ >= 0) {
      codes.append(',');
      AppendTwoDigits(codes, background_);
    }
  }
  codes.append(hexColour_);
  if (bold_) codes.append(kBold);
  if (italic_) codes.append(kItalic);
  if (underline_) codes.append(kUnderline);
  if (reverse_) codes.append(kReverse);
  if (strikethrough_) codes.append(kStrikethrough);
  if (monospace_) codes.append(kMonospace);
  return codes;
}

bool IrcFormatState::CodesEndInColour() const {
  return (foreground_ >= 0 || !hexColour_.isEmpty()) && !bold_ && !italic_ && !underline_ &&
         !reverse_ && !strikethrough_ && !monospace_;
}

}  // namespace irc
