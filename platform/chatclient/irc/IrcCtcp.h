#pragma once

#include <QString>
#include <QStringView>

namespace irc {

// What the text of a PRIVMSG is. CTCP wraps a request in \x01 bytes:
// "\x01ACTION waves\x01" is an action ("/me waves"); "\x01VERSION\x01" and
// the like are requests a client may answer or ignore.
struct PrivmsgText {
  enum class Kind { Plain, Action, Ctcp };
  Kind kind = Kind::Plain;
  // The CTCP word in upper case ("VERSION"); empty for Plain and Action.
  QString command;
  // The whole text for Plain, what the sender does for Action, the
  // arguments after the word for Ctcp.
  QString text;

  friend bool operator==(const PrivmsgText&, const PrivmsgText&) = default;
};

// Classifies a received PRIVMSG text. The closing \x01 is optional, since
// some clients leave it out. A plain text is given back as it is, not copied.
PrivmsgText ClassifyPrivmsg(QString text);
inline PrivmsgText ClassifyPrivmsg(QStringView text) { return ClassifyPrivmsg(text.toString()); }

}  // namespace irc
