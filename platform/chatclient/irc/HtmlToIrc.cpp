#include "platform/chatclient/irc/HtmlToIrc.h"

#include <optional>
#include <vector>

#include "platform/chatclient/irc/HtmlCharRef.h"
#include "platform/chatclient/irc/HtmlTag.h"
#include "platform/chatclient/irc/IrcColour.h"
#include "platform/chatclient/irc/IrcFormatCode.h"

namespace irc {
namespace {

class Converter {
 public:
  void Tag(const HtmlTag& tag) {
    if (tag.name == u"b" || tag.name == u"strong") {
      if (!tag.closing) {
        ++boldDepth_;
      } else if (boldDepth_ > 0) {
        --boldDepth_;
      }
    } else if (tag.name == u"font") {
      if (!tag.closing) {
        OpenFont(tag);
      } else if (!fonts_.empty()) {
        fonts_.pop_back();
      }
    } else if (tag.name == u"a") {
      CloseLink();
      if (!tag.closing) {
        const QString url = tag.Attribute(u"href").value_or(QString()).trimmed();
        if (!url.isEmpty()) link_ = Link{url, {}};
      }
    }
  }

  void Text(QStringView text) {
    if (text.isEmpty()) return;
    WriteFormatting();
    if (afterColourCode_ && text.front() == u',') out_.append(u"\x02\x02");
    afterColourCode_ = false;
    out_.append(text);
    if (link_) link_->text.append(text);
  }

  QString Finish() {
    CloseLink();
    return std::move(out_);
  }

 private:
  struct Link {
    QString url;
    QString text;
  };

  void OpenFont(const HtmlTag& tag) {
    std::optional<int> colour = fonts_.empty() ? std::nullopt : fonts_.back();
    if (const auto value = tag.Attribute(u"color")) {
      if (const auto rgb = ParseHtmlColour(*value)) colour = NearestIrcColour(*rgb);
    }
    fonts_.push_back(colour);
  }

  void CloseLink() {
    if (!link_) return;
    const Link link = std::move(*link_);
    link_.reset();
    const QString shown = link.text.trimmed();
    if (shown.isEmpty()) {
      Text(link.url);
    } else if (shown != link.url) {
      Text(u" (");
      Text(link.url);
      Text(u")");
    }
  }

  // Brings the formatting written so far to the one the open tags ask for.
  void WriteFormatting() {
    const std::optional<int> colour = fonts_.empty() ? std::nullopt : fonts_.back();
    const bool bold = boldDepth_ > 0;
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
    if (bold != shownBold_) {
      out_.append(QChar(kBold));
      shownBold_ = bold;
      afterColourCode_ = false;
    }
  }

  QString out_;
  int boldDepth_ = 0;
  // For each open <font>, the colour in effect inside it (nothing: none).
  std::vector<std::optional<int>> fonts_;
  std::optional<Link> link_;
  std::optional<int> shownColour_;
  bool shownBold_ = false;
  bool afterColourCode_ = false;
};

}  // namespace

QString HtmlToIrc(QStringView html) {
  Converter converter;
  HtmlTagReader tags(html);
  const qsizetype size = html.size();
  for (qsizetype i = 0; i < size;) {
    if (html[i] == u'<') {
      if (const auto tag = tags.ReadAt(i)) {
        converter.Tag(*tag);
        i = tag->end;
        continue;
      }
    } else if (html[i] == u'&') {
      if (const auto ref = ReadHtmlCharRef(html, i)) {
        converter.Text(QString::fromUcs4(&ref->code, 1));
        i += ref->length;
        continue;
      }
    }
    // Plain text up to the next '<' or '&', this one included.
    qsizetype end = i + 1;
    while (end < size && html[end] != u'<' && html[end] != u'&') ++end;
    converter.Text(html.sliced(i, end - i));
    i = end;
  }
  return converter.Finish();
}

}  // namespace irc
