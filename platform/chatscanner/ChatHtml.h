#pragma once

#include <QString>

// A chat line as its readers see it: the chat's HTML tags removed and the
// character references decoded.
//
// A tag is "<" followed by a letter, "/", "!" or "?" up to the next ">"
// ("<font color=#ff0000>", "</b>", and also "< a href=...>" as the chat
// writes it, with a blank after "<" before a letter); any other "<" is text
// ("<3", "a < b"), and so is a "<" that never closes. Decoded references:
// &amp; &lt; &gt; &quot; &apos; &nbsp; (as a space) and &#N; &#xN;; any other
// "&" is text.
QString StripChatHtml(const QString& line);
