#include <gtest/gtest.h>

#include <chrono>
#include <vector>

#include "tests/platform/chatclient/irc/IrcMarkup.h"
#include "tests/platform/chatclient/irc/QtPrinters.h"
#include "platform/chatclient/irc/HtmlToIrc.h"
#include "platform/chatclient/irc/IrcToHtml.h"

namespace irc {
namespace {

TEST(HtmlToIrc, TurnsChatHtmlIntoIrcFormatting) {
  struct Case {
    QString html, irc;
  };
  const std::vector<Case> cases = {
      {u"<font face=\"arial\"><font color=#ff0000>• Morva MP3 • Playing [Night Drive]"_qs,
       u"{C04}• Morva MP3 • Playing [Night Drive]"_qs},
      {u"<font color=#ffffff><font face=\"arial\">[Invaled Number]"_qs, u"{C00}[Invaled Number]"_qs},
      {u"</b><font face=\"arial\"><font color=#ff0000>• Morva MP3 • Repeat Off"_qs,
       u"{C04}• Morva MP3 • Repeat Off"_qs},
      {u"plain, typed by the owner"_qs, u"plain, typed by the owner"_qs},
      // Colours: nearest of the palette, any case and order, restored on close.
      {u"<B>bold</b> and <FONT FACE=x COLOR=\"#0000F0\">blue</FONT> back"_qs,
       u"{B}bold{B} and {C12}blue{O} back"_qs},
      {u"<font color=red>r<font color='#0f0'>g<font face=x>g</font></font>r</font>"_qs,
       u"{C04}r{C09}gg{C04}r"_qs},
      {u"<b><font color=#7e7e7e>x</font>y</b>z"_qs, u"{C14}{B}x{O}{B}y{B}z"_qs},
      {u"<font color=red>a</font><font color=#fe0101>b</font><font color=nonsense>c"_qs,
       u"{C04}ab{O}c"_qs},
      // A digit is safe after a two-digit code; a comma gets a neutral pair.
      {u"<font color=#00007f>42</font> <font color=red>,5 and</font>"_qs,
       u"{C02}42{O} {C04}\x02\x02,5 and"_qs},
      // Stray closes, other tags, formatting with nothing after it.
      // Italic is not carried; tags chat does not use are text.
      {u"</b></font></a><i>it</i><br><p align=center>x</p><img src=\"a.png\"/>"_qs,
       u"it<br><p align=center>x</p><img src=\"a.png\"/>"_qs},
      {u"text<b><font color=red>"_qs, u"text"_qs},
      {u"<b>x</b><b></b>"_qs, u"{B}x"_qs},
      // Links.
      {u"see <a href=\"http://x.org/?a=1&amp;b=2\">the site</a>!"_qs,
       u"see the site (http://x.org/?a=1&b=2)!"_qs},
      {u"< a href=http://x.org>x</a> and <A HREF='http://y'>http://y</A>"_qs,
       u"x (http://x.org) and http://y"_qs},
      {u"<a href=http://z></a> <a href=http://w>left open"_qs,
       u"http://z left open (http://w)"_qs},
      // References, valid and not.
      {u"&amp; &lt;b&gt; &quot;&apos;&nbsp;&#65;&#x42;&#X43;&#128512;"_qs,
       u"& <b> \"' ABC😀"_qs},
      {u"&bogus; &amp &#3; &#x110000; &#xD800; &#99999999; &#; &#x; &"_qs,
       u"&bogus; &amp &#3; &#x110000; &#xD800; &#99999999; &#; &#x; &"_qs},
      // A '<' that opens no tag.
      {u"a < b, <3, x <= y, <<b>c</b>, if a<b then <b>d</b> <"_qs,
       u"a < b, <3, x <= y, <{B}c{B}, if a<b then {B}d{B} <"_qs},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.html.toStdString());
    EXPECT_EQ(HtmlToIrc(c.html), Irc(c.irc));
  }
}

TEST(HtmlToIrc, TakesLinearTimeOnHostileInput) {
  const qsizetype megabyte = 1 << 20;
  const std::vector<QString> units = {u"<"_qs,  u"&"_qs,          u"&#"_qs,
                                      u"<a "_qs, u"< a href=x "_qs, u"<a href=x>"_qs};
  for (const QString& unit : units) {
    SCOPED_TRACE(unit.toStdString());
    const QString html = unit.repeated(megabyte / unit.size());
    const auto start = std::chrono::steady_clock::now();
    const QString irc = HtmlToIrc(html);
    // Quadratic work on a megabyte would take hours; linear takes well under a second.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    EXPECT_LE(irc.size(), html.size());
  }
}

TEST(IrcToChatHtml, ShowsAMembersFormattingAndNeverReadsHisTextAsHtml) {
  struct Case {
    QString irc, html;
  };
  const std::vector<Case> cases = {
      {u"I <3 this & <b>that</b>"_qs, u"I &lt;3 this &amp; &lt;b&gt;that&lt;/b&gt;"_qs},
      {u"{C04}• red announcement"_qs, u"<font color=#ff0000>• red announcement</font>"_qs},
      {u"{B}bold{B} plain {C12,01}blue{C} none {C99}default"_qs,
       u"<b>bold</b> plain <font color=#0000fc back=#000000>blue</font> none default"_qs},
      // A background stays through a new foreground, until a bare colour
      // code or a reset; 99 is the default on either side.
      {u"{C02,08}blue on yellow{C04}red{C} {C3,8}x{C99,99}y{O}z"_qs,
       u"<font color=#00007f back=#ffff00>blue on yellow</font><font color=#ff0000 back=#ffff00>red</font> "
       "<font color=#009300 back=#ffff00>x</font>yz"_qs},
      {u"\x04" "0000ff,ffff00hex\x04 plain"_qs, u"<font color=#0000ff back=#ffff00>hex</font> plain"_qs},
      {u"\x1Dit\x1D \x1Fun{B}der{O} reset"_qs, u"<i>it</i> <u>un</u><b><u>der</u></b> reset"_qs},
      {u"\x04" "ff8000orange\x04 \x16reverse\x16 {C4}{C}"_qs, u"<font color=#ff8000>orange</font> reverse "_qs},
      {u"{C04}{B}<3{O}"_qs, u"<font color=#ff0000><b>&lt;3</b></font>"_qs},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.irc.toStdString());
    EXPECT_EQ(IrcToChatHtml(Irc(c.irc)), c.html);
  }
}

}  // namespace
}  // namespace irc
