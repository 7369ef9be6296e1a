#pragma once

#include <QString>
#include <QStringView>

namespace irc {

// A line of the program (chat HTML, read as chathtml::ReadChatHtml reads it)
// as IRC text:
// - a colour gives the nearest IRC colour as \x03 + two digits; text with
//   no colour after coloured text gets \x0F;
// - bold gives \x02 pairs; faces, italic and underline are not carried;
// - links, references, unknown tags and '<' that open none are the visible
//   text the reader gives.
// Codes are written only in front of text, so formatting with no text after
// it is dropped and a colour is never written twice in a row. A text comma
// right after a colour code gets \x02\x02 before it, so that no client reads
// it as a background colour. Runs in linear time.
QString HtmlToIrc(QStringView html);

}  // namespace irc
