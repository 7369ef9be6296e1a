#include "platform/chatclient/proxy/ProxyPassword.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

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
  // Opened without following a link, and checked on what was opened, so
  // that nothing can be swapped in between the check and the read.
  const int kept = ::open(path.constData(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (kept >= 0 || errno != ENOENT) {
    struct stat info {};
    if (kept < 0 || ::fstat(kept, &info) != 0) {
      result.error = errno == ELOOP ? file + " is a symbolic link; the password must be kept in a plain file of your own"
                                    : "cannot read " + file + ": " + QString::fromLocal8Bit(std::strerror(errno));
    } else if (!S_ISREG(info.st_mode)) {
      result.error = file + " is not a plain file; the password must be kept in a plain file of your own";
    } else if (info.st_uid != ::geteuid()) {
      result.error = file + " belongs to another user; the password must be kept in a plain file of your own";
    } else if ((info.st_mode & 0077) != 0) {
      result.error = file + " can be read by others; make it private (chmod 600) or remove it";
    } else {
      // A password is short: what is past the first kilobyte is not read.
      QByteArray content(1024, '\0');
      const ssize_t got = ::read(kept, content.data(), static_cast<size_t>(content.size()));
      if (got < 0) {
        result.error = "cannot read " + file + ": " + QString::fromLocal8Bit(std::strerror(errno));
      } else if (got == content.size()) {
        result.error = file + " is too long for a password; remove it to have a new password made";
      } else {
        content.truncate(got);
        result.password = content.trimmed();
        if (result.password.isEmpty()) result.error = file + " is empty; remove it to have a new password made";
      }
    }
    if (kept >= 0) ::close(kept);
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
