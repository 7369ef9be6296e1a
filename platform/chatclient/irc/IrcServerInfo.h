#pragma once

#include <QByteArray>
#include <QString>
#include <QStringView>

#include "platform/chatclient/irc/IrcMessage.h"

namespace irc {

// What a server tells of itself in its 005 (ISUPPORT) lines, and the rules
// that follow from it: how nicks and channels compare, which names are
// channels, which signs in front of a name are channel status, how long a
// nick and a channel name may be. Until the server says otherwise, the
// values of RFC 1459 hold.
class IrcServerInfo {
 public:
  enum class CaseMapping { Ascii, Rfc1459, StrictRfc1459 };

  // Reads the tokens of one 005 line; true when the case mapping changed.
  bool Read(const IrcMessage& isupport);

  // The key under which a nick or channel is kept: equal for names the
  // server takes as the same.
  QString Fold(QStringView name) const;
  // Whether the server takes the two names as the same; Fold without a copy.
  bool Same(QStringView a, QStringView b) const;
  bool Same(QStringView a, QLatin1StringView b) const;
  bool IsChannel(QStringView target) const;
  // A NAMES entry without its status signs ("@+Ann" -> "Ann").
  QString WithoutStatus(QStringView entry) const;

  // 0 while the server has not said.
  int nickLength() const { return nickLength_; }
  int channelLength() const { return channelLength_; }
  const QString& channelTypes() const { return channelTypes_; }

 private:
  char16_t FoldChar(char16_t c) const;

  CaseMapping caseMapping_ = CaseMapping::Rfc1459;
  QString channelTypes_ = QStringLiteral("#&");
  QString statusSigns_ = QStringLiteral("@+");
  int nickLength_ = 0;
  int channelLength_ = 0;
};

}  // namespace irc
