#include "platform/chatclient/proxy/ProxyPassword.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QRandomGenerator>

ProxyPassword ObtainProxyPassword(const QByteArray& given, const QString& file) {
  ProxyPassword result;
  if (!given.isEmpty()) {
    result.password = given;
    return result;
  }
  result.file = file;
  const QByteArray path = QFile::encodeName(file);
  struct stat info {};
  if (::stat(path.constData(), &info) == 0) {
    if ((info.st_mode & 0077) != 0) {
      result.error = file + " can be read by others; make it private (chmod 600) or remove it";
      return result;
    }
    QFile kept(file);
    if (!kept.open(QIODevice::ReadOnly)) {
      result.error = "cannot read " + file + ": " + kept.errorString();
      return result;
    }
    result.password = kept.readAll().trimmed();
    if (result.password.isEmpty()) result.error = file + " is empty; remove it to have a new password made";
    return result;
  }
  // 24 random bytes, as text that any client's configuration takes.
  QByteArray random(24, '\0');
  QRandomGenerator::system()->generate(reinterpret_cast<quint32*>(random.data()),
                                       reinterpret_cast<quint32*>(random.data() + random.size()));
  result.password = random.toBase64(QByteArray::Base64UrlEncoding | QByteArray::OmitTrailingEquals);
  const int fd = ::open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  const QByteArray content = result.password + '\n';
  if (fd < 0 || ::write(fd, content.constData(), static_cast<size_t>(content.size())) != content.size()) {
    result.error = "cannot write " + file;
    if (fd >= 0) ::unlink(path.constData());
  }
  if (fd >= 0) ::close(fd);
  return result;
}
