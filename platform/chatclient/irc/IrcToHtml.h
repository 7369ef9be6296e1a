#pragma once

#include <QString>
#include <QStringView>

namespace irc {

// A member's IRC line as chat HTML that shows what he wrote: the text is
// never read as HTML ('&', '<', '>' become references), and its formatting
// becomes the chat's tags: a colour and a background (of the palette or
// \x04 hex) a <font color=#rrggbb back=#rrggbb>, bold <b>, italic <i>,
// underline <u>; \x0F ends them all, and a colour code without digits ends
// the colour and the background. Other codes (reverse, strikethrough,
// monospace) are dropped. Every
// formatted piece is closed where it ends, so the result nests no deeper
// than four tags. Runs in linear time.
QString IrcToChatHtml(QStringView irc);
// The same; a line with no formatting and nothing to escape (most lines) is
// its own chat HTML, and is given back without a copy.
QString IrcToChatHtml(const QString& irc);

}  // namespace irc
