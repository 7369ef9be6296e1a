// The one reading of chat HTML, as the room window shows it, the scanner
// reads it and the IRC conversion carries it.

#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include <QStringList>

#include "platform/chathtml/ChatHtml.h"
#include "tests/platform/chatclient/irc/QtPrinters.h"

namespace chathtml {
namespace {

// The runs written readably: plain text as it is, a styled run as
// "[style|text]" with the style's colour (rrggbb), face, b, i and u.
QString Describe(const std::vector<ChatRun>& runs) {
  QString out;
  for (const ChatRun& run : runs) {
    QStringList style;
    if (run.style.colour) style << QStringLiteral("%1").arg(*run.style.colour, 6, 16, QChar(u'0'));
    if (!run.style.face.isEmpty()) style << run.style.face;
    if (run.style.bold) style << "b";
    if (run.style.italic) style << "i";
    if (run.style.underline) style << "u";
    out += style.isEmpty() ? run.text : "[" + style.join(' ') + "|" + run.text + "]";
  }
  return out;
}

TEST(ChatHtml, ShowsTheChatsTagsAndEverythingElseAsText) {
  struct Case {
    QString html, shown;
  };
  const std::vector<Case> cases = {
      // The program's own announcements.
      {u"<font face=\"arial\"><font color=#ff0000>• Morva MP3 • Playing [x]"_qs, u"[ff0000 arial|• Morva MP3 • Playing [x]]"_qs},
      {u"<font color=#ffffff><font face=\"arial\">[Invaled Number]"_qs, u"[ffffff arial|[Invaled Number]]"_qs},
      {u"</b><font face=\"arial\"><font color=#ff0000>• Repeat Off"_qs, u"[ff0000 arial|• Repeat Off]"_qs},
      {u"• < a href=http://x/>Download it here!</a><font color=#ff0000>"_qs, u"• Download it here! (http://x/)"_qs},
      // Each supported tag, any case; closing brings back what was before.
      {u"<b>b</b><STRONG>s</strong><i>i</i><em>e</em><u>u</u>."_qs, u"[b|bs][i|ie][u|u]."_qs},
      {u"<font color=red>r<font color='#0f0' face=Courier>g</font>r</font>x"_qs,
       u"[ff0000|r][00ff00 Courier|g][ff0000|r]x"_qs},
      {u"<b><i>x<u>y</u></i></b>"_qs, u"[b i|x][b i u|y]"_qs},
      {u"<font color=nonsense>kept</font><font color=#00f><font color=nope>blue"_qs, u"kept[0000ff|blue]"_qs},
      {u"see <a href=\"http://x.org/?a=1&amp;b=2\">the site</a>!"_qs, u"see the site (http://x.org/?a=1&b=2)!"_qs},
      {u"<A HREF='http://y'>http://y</A> <a href=http://z></a> <a href=http://w>open"_qs,
       u"http://y http://z open (http://w)"_qs},
      // Text that is not HTML.
      {u"I <3 this, a < b & c, x <= y, <<b>c</b> <"_qs, u"I <3 this, a < b & c, x <= y, <[b|c] <"_qs},
      {u"evening all! I <3 this channel"_qs, u"evening all! I <3 this channel"_qs},
      {u"Simon & Garfunkel <3 <3"_qs, u"Simon & Garfunkel <3 <3"_qs},
      // Unknown and broken tags are shown as written.
      {u"<h1>big</h1><p align=center>x</p><img src=\"a.png\"/><script>y"_qs,
       u"<h1>big</h1><p align=center>x</p><img src=\"a.png\"/><script>y"_qs},
      {u"an open <font never closed, <a <b>c, <b x"_qs, u"an open <font never closed, <a [b|c, <b x]"_qs},
      {u"</b></font></a></i>stray closes"_qs, u"stray closes"_qs},
      {u"<b></b><font color=red></font>"_qs, u""_qs},
      // References: &nbsp; is a space; a control character's stays as written.
      {u"&amp; &lt;b&gt; &quot;q&quot; &apos; a&nbsp;b &#65;&#x42;&#128512;"_qs, u"& <b> \"q\" ' a b AB😀"_qs},
      {u"&bogus; &amp &#3; &#x85; &#x110000; &#xD800; &#99999999; &"_qs,
       u"&bogus; &amp &#3; &#x85; &#x110000; &#xD800; &#99999999; &"_qs},
      // Control characters, C0 and C1, are spaces.
      {u"a\u0002b\u0003c\td\u0085e\u009bf\u007fg\u2028h"_qs, u"a b c d e f g h"_qs},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.html.toStdString());
    EXPECT_EQ(Describe(ReadChatHtml(c.html)), c.shown);
    // The visible text is the same reading.
    QString text;
    for (const ChatRun& run : ReadChatHtml(c.html)) text += run.text;
    EXPECT_EQ(ChatHtmlText(c.html), text);
  }
}

TEST(ChatHtml, EscapedTextReadsBackAsItself) {
  const QString text = u"I <3 this & <b>that</b> &amp; a > b"_qs;
  EXPECT_EQ(ChatHtmlText(EscapeChatHtml(text)), text);
}

TEST(ChatHtml, HostileLinesTakeLinearTime) {
  const qsizetype megabyte = 1 << 20;
  struct Hostile {
    QString line;
    qsizetype mostRuns;
  };
  const std::vector<Hostile> lines = {
      {QString(megabyte, u'<'), 1},
      {QString(megabyte, u'&'), 1},
      {u"<a "_qs.repeated(megabyte / 3), 1},
      {u"<b>"_qs.repeated(megabyte / 3), 0},  // nothing but tags
      {u"<font color=red>"_qs.repeated(10000) + "deep" + u"</font>"_qs.repeated(10000), 1},
      {u"</font></b>"_qs.repeated(10000) + "unbalanced", 1},
      {u"<b><i>x"_qs.repeated(10000), 1},
      {u"<a href=x>"_qs.repeated(megabyte / 10), 1},
      {QString(megabyte, QChar(0x85)), 1},
  };
  for (const Hostile& hostile : lines) {
    SCOPED_TRACE(hostile.line.left(20).toStdString());
    const auto start = std::chrono::steady_clock::now();
    const std::vector<ChatRun> runs = ReadChatHtml(hostile.line);
    // Quadratic work on a megabyte would take hours; linear takes well under a second.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_LE(runs.size(), static_cast<std::size_t>(hostile.mostRuns));
  }
}

}  // namespace
}  // namespace chathtml
