#pragma once

#include <optional>

#include <QStringView>

namespace chathtml {

// A character reference of HTML and the characters it stands for.
struct HtmlCharRef {
  char32_t code = 0;
  qsizetype length = 0;  // of the reference, from '&' to ';'
};

// The reference starting at the '&' at pos: &amp; &lt; &gt; &quot; &apos;
// &nbsp; (a plain space: every reader of a chat line takes it as the
// blank it shows), &#NNN; or &#xHH;. Nothing for an unknown name,
// a missing ';', a number out of the Unicode range, a surrogate, or a control
// character (which could otherwise smuggle IRC formatting codes or line
// breaks in): such a reference stays text. It reads at most a few characters
// past pos.
std::optional<HtmlCharRef> ReadHtmlCharRef(QStringView text, qsizetype pos);

}  // namespace chathtml
