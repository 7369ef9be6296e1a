#include "platform/chathtml/ChatHtml.h"

#include <algorithm>
#include <utility>

#include "platform/chathtml/HtmlCharRef.h"
#include "platform/chathtml/HtmlTag.h"

namespace chathtml {
namespace {

// A face longer than this is no font's name; it is cut there.
constexpr qsizetype kLongestFace = 64;

bool IsControl(char16_t c) { return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0x2028 || c == 0x2029; }

class Reader {
 public:
  // False for a tag that chat does not use: the caller keeps it as text.
  bool Tag(const HtmlTag& tag) {
    if (tag.name == u"b" || tag.name == u"strong") return Count(bold_, tag);
    if (tag.name == u"i" || tag.name == u"em") return Count(italic_, tag);
    if (tag.name == u"u") return Count(underline_, tag);
    if (tag.name == u"font") {
      if (!tag.closing) {
        OpenFont(tag);
      } else if (!fonts_.empty()) {
        fonts_.pop_back();
      }
      return true;
    }
    if (tag.name == u"a") {
      CloseLink();
      if (!tag.closing) {
        const QString url = tag.Attribute(u"href").value_or(QString()).trimmed();
        if (!url.isEmpty()) link_ = Link{url, {}};
      }
      return true;
    }
    return false;
  }

  void Text(QStringView text) {
    if (text.isEmpty()) return;
    const ChatStyle style = Style();
    if (runs_.empty() || runs_.back().style != style) runs_.push_back({{}, style});
    QString& out = runs_.back().text;
    const qsizetype from = out.size();
    out.append(text);
    for (qsizetype i = from; i < out.size(); ++i) {
      if (IsControl(out[i].unicode())) out[i] = u' ';
    }
    if (link_) link_->text.append(out.sliced(from));
  }

  std::vector<ChatRun> Finish() {
    CloseLink();
    return std::move(runs_);
  }

 private:
  struct Font {
    std::optional<Rgb> colour;
    std::optional<Rgb> background;
    QString face;
  };
  struct Link {
    QString url;
    QString text;
  };

  static bool Count(int& depth, const HtmlTag& tag) {
    if (!tag.closing) {
      ++depth;
    } else if (depth > 0) {
      --depth;
    }
    return true;
  }

  ChatStyle Style() const {
    ChatStyle style;
    if (!fonts_.empty()) {
      style.colour = fonts_.back().colour;
      style.background = fonts_.back().background;
      style.face = fonts_.back().face;
    }
    style.bold = bold_ > 0;
    style.italic = italic_ > 0;
    style.underline = underline_ > 0;
    return style;
  }

  void OpenFont(const HtmlTag& tag) {
    Font font = fonts_.empty() ? Font{} : fonts_.back();
    if (const auto value = tag.Attribute(u"color")) {
      if (const auto rgb = ParseHtmlColour(*value)) font.colour = rgb;
    }
    if (const auto value = tag.Attribute(u"back")) {
      if (const auto rgb = ParseHtmlColour(*value)) font.background = rgb;
    }
    if (const auto face = tag.Attribute(u"face")) {
      const QString name = face->trimmed().left(kLongestFace);
      if (!name.isEmpty()) font.face = name;
    }
    fonts_.push_back(std::move(font));
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

  std::vector<ChatRun> runs_;
  std::vector<Font> fonts_;  // for each open <font>, what is in effect inside it
  int bold_ = 0;
  int italic_ = 0;
  int underline_ = 0;
  std::optional<Link> link_;
};

}  // namespace

std::vector<ChatRun> ReadChatHtml(QStringView html) {
  Reader reader;
  HtmlTagReader tags(html);
  const qsizetype size = html.size();
  for (qsizetype i = 0; i < size;) {
    if (html[i] == u'<') {
      if (const auto tag = tags.ReadAt(i)) {
        if (!reader.Tag(*tag)) reader.Text(html.sliced(i, tag->end - i));
        i = tag->end;
        continue;
      }
    } else if (html[i] == u'&') {
      if (const auto ref = ReadHtmlCharRef(html, i)) {
        reader.Text(QString::fromUcs4(&ref->code, 1));
        i += ref->length;
        continue;
      }
    }
    // Plain text up to the next '<' or '&', this one included.
    qsizetype end = i + 1;
    while (end < size && html[end] != u'<' && html[end] != u'&') ++end;
    reader.Text(html.sliced(i, end - i));
    i = end;
  }
  return reader.Finish();
}

namespace {

bool IsPlainText(QStringView html) {
  return std::none_of(html.begin(), html.end(),
                      [](QChar c) { return c == u'<' || c == u'&' || IsControl(c.unicode()); });
}

QString ReadText(QStringView html) {
  QString text;
  for (const ChatRun& run : ReadChatHtml(html)) text += run.text;
  return text;
}

}  // namespace

QString ChatHtmlText(QStringView html) { return IsPlainText(html) ? html.toString() : ReadText(html); }

QString ChatHtmlText(const QString& html) { return IsPlainText(html) ? html : ReadText(html); }

QString EscapeChatHtml(QStringView text) {
  QString escaped;
  escaped.reserve(text.size());
  for (QChar c : text) {
    if (c == u'&') {
      escaped += u"&amp;";
    } else if (c == u'<') {
      escaped += u"&lt;";
    } else if (c == u'>') {
      escaped += u"&gt;";
    } else {
      escaped += c;
    }
  }
  return escaped;
}

}  // namespace chathtml
