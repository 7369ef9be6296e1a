#pragma once

#include <QString>
#include <QStringView>

namespace irc {

// A line of the program (HTML as AOL chat took it) as IRC text:
// - <font color=...> gives the nearest IRC colour as \x03 + two digits;
//   closing the font brings the colour before it back (\x0F for none);
// - <b>/<strong> ... </b> give \x02 pairs; a closing tag for a style that
//   is not open adds nothing;
// - <a href=URL>TEXT</a> gives "TEXT (URL)" (just the URL when TEXT is
//   empty or the URL itself);
// - character references are decoded (see HtmlCharRef.h);
// - every other tag, font faces too, is dropped; a '<' that opens no tag is
//   text (see HtmlTag.h).
// Codes are written only in front of text, so formatting with no text after
// it is dropped and a colour is never written twice in a row. A text comma
// right after a colour code gets \x02\x02 before it, so that no client reads
// it as a background colour. Runs in linear time.
QString HtmlToIrc(QStringView html);

}  // namespace irc
