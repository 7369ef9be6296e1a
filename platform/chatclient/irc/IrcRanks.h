#pragma once

#include <functional>

#include <QChar>
#include <QHash>
#include <QString>
#include <QStringList>

#include "platform/chatclient/irc/IrcMessage.h"

// Ranks in a channel as the member list shows them: '@' for an operator (or
// more), '+' for a voice (or a half-operator), kept by the member's key.
namespace irc {

// Reads "MODE #channel +ov-v nick nick nick": calls mark(nick, rank, give)
// for every rank given or taken, passing over the modes whose arguments are
// not nicks. True when any call returned true.
bool ReadRankModes(const IrcMessage& mode, const std::function<bool(const QString&, QChar, bool)>& mark);

// Gives or takes the rank of the member under `key`: a voice never hides an
// operator's rank, and only the rank held is taken. True when it changed.
bool ChangeRank(QHash<QString, QChar>& ranks, const QString& key, QChar rank, bool give);

// "@Ann", "+Bob": the members who hold a rank, sorted.
QStringList RankedMembers(const QHash<QString, QString>& members, const QHash<QString, QChar>& ranks);

}  // namespace irc
