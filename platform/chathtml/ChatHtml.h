#pragma once

#include <optional>
#include <vector>

#include <QString>
#include <QStringView>

#include "platform/chathtml/HtmlColour.h"

namespace chathtml {

// How a piece of a chat line looks.
struct ChatStyle {
  std::optional<Rgb> colour;
  std::optional<Rgb> background;
  QString face;
  bool bold = false;
  bool italic = false;
  bool underline = false;

  friend bool operator==(const ChatStyle&, const ChatStyle&) = default;
};

// A piece of visible text in one style.
struct ChatRun {
  QString text;
  ChatStyle style;

  friend bool operator==(const ChatRun&, const ChatRun&) = default;
};

// The one reading of a chat line's HTML, for every reader of it (the chat
// scanner, the conversion to IRC, the room window):
// - <font color=... back=... face=...>: the colour, background colour and
//   face inside it (a value that is not a colour leaves the colour as it
//   was); </font> brings back the ones before it;
// - <b>/<strong>, <i>/<em>, <u>: bold, italic, underline, as long as one is
//   open; a closing tag for one that is not open does nothing;
// - <a href=URL>TEXT</a>: "TEXT (URL)", just the URL when TEXT is empty or
//   is the URL itself;
// - character references are decoded (see HtmlCharRef.h; &nbsp; is a space);
// - control characters (C0, DEL, C1) and line or paragraph separators become
//   spaces, so no line spans several or smuggles codes in;
// - everything else is text as written: an unknown tag ("<p>", "<h1>"), a
//   '<' that opens no tag ("<3", "a < b"; see HtmlTag.h), a tag never closed.
// Tags are read case-insensitively. Runs in time linear in the line however
// it nests; pieces of the same style next to each other make one run, and a
// line of nothing but tags has none.
std::vector<ChatRun> ReadChatHtml(QStringView html);

// The visible text of the line: its runs, one after another.
QString ChatHtmlText(QStringView html);
// The same; a line without tags, references or control characters (most
// lines) is its own text, and is given back without a copy.
QString ChatHtmlText(const QString& html);

// The text as chat HTML that reads back as that same text: '&', '<' and '>'
// as references.
QString EscapeChatHtml(QStringView text);

}  // namespace chathtml
