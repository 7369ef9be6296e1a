#pragma once

#include <QString>
#include <QStringView>

namespace irc {

// Nicks and channels compare without regard to case, as servers do with
// the rfc1459 casemapping: A-Z are the upper case of a-z, and []\~ of {}|^.
// Other characters compare as they are.
QString IrcLower(QStringView text);
bool IrcEqualNoCase(QStringView a, QStringView b);

}  // namespace irc
