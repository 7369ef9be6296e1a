#include "platform/chatclient/irc/HtmlToIrc.h"

#include <optional>

#include "platform/chathtml/ChatHtml.h"
#include "platform/chatclient/irc/IrcColour.h"
#include "platform/chatclient/irc/IrcFormatCode.h"

namespace irc {
namespace {

class Writer {
 public:
  void Run(const chathtml::ChatRun& run) {
    if (run.text.isEmpty()) return;
    WriteFormatting(run.style);
    if (afterColourCode_ && run.text.front() == u',') out_.append(u"\x02\x02");
    afterColourCode_ = false;
    out_.append(run.text);
  }

  QString Finish() { return std::move(out_); }

 private:
  // Brings the formatting written so far to the run's.
  void WriteFormatting(const chathtml::ChatStyle& style) {
    const std::optional<int> colour =
        style.colour ? std::optional<int>(NearestIrcColour(*style.colour)) : std::nullopt;
    if (shownColour_ && !colour) {
      out_.append(QChar(kReset));
      shownColour_.reset();
      shownBold_ = false;
      afterColourCode_ = false;
    }
    if (colour && colour != shownColour_) {
      out_.append(QChar(kColour));
      out_.append(QChar(u'0' + *colour / 10));
      out_.append(QChar(u'0' + *colour % 10));
      shownColour_ = colour;
      afterColourCode_ = true;
    }
    if (style.bold != shownBold_) {
      out_.append(QChar(kBold));
      shownBold_ = style.bold;
      afterColourCode_ = false;
    }
  }

  QString out_;
  std::optional<int> shownColour_;
  bool shownBold_ = false;
  bool afterColourCode_ = false;
};

}  // namespace

QString HtmlToIrc(QStringView html) {
  Writer writer;
  for (const chathtml::ChatRun& run : chathtml::ReadChatHtml(html)) writer.Run(run);
  return writer.Finish();
}

}  // namespace irc
