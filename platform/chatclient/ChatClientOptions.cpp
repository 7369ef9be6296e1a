#include "platform/chatclient/ChatClientOptions.h"

#include <pwd.h>
#include <unistd.h>

#include <vector>

#include <QByteArray>

QString DefaultScreenName() {
  if (const char* login = getlogin(); login && *login) return QString::fromLocal8Bit(login);
  const QByteArray user = qgetenv("USER");
  if (!user.isEmpty()) return QString::fromLocal8Bit(user);
  // Started from a service or a launcher without $USER: the account's own name.
  const long suggested = sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(suggested > 0 ? static_cast<std::size_t>(suggested) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (getpwuid_r(geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_name &&
      *found->pw_name) {
    return QString::fromLocal8Bit(found->pw_name);
  }
  return QStringLiteral("Owner");
}
