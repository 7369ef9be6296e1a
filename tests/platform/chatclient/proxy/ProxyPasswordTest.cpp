// Where the proxy's password is kept: only a private plain file of the
// user's own is read.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QTemporaryDir>

#include "platform/chatclient/proxy/ProxyPassword.h"

namespace {

struct Case {
  const char* name;
  // Makes what lies at `path`; `other` is a private file beside it.
  void (*make)(const QByteArray& path, const QByteArray& other);
  QByteArray password;
  QString error;  // after the file's name
};

void Write(const QByteArray& path, const QByteArray& content, mode_t mode) {
  QFile file(QString::fromLocal8Bit(path));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(content);
  file.close();
  ASSERT_EQ(::chmod(path.constData(), mode), 0);
}

TEST(ProxyPasswordTest, OnlyAPrivatePlainFileOfTheUsersOwnIsRead) {
  const Case cases[] = {
      {"a private file", [](const QByteArray& p, const QByteArray&) { Write(p, "secret\n", 0600); }, "secret", {}},
      {"one others may read", [](const QByteArray& p, const QByteArray&) { Write(p, "secret\n", 0640); }, {},
       " can be read by others; make it private (chmod 600) or remove it"},
      {"a symbolic link to a private file is not followed",
       [](const QByteArray& p, const QByteArray& other) { ASSERT_EQ(::symlink(other.constData(), p.constData()), 0); }, {},
       " is a symbolic link; the password must be kept in a plain file of your own"},
      {"a folder", [](const QByteArray& p, const QByteArray&) { ASSERT_EQ(::mkdir(p.constData(), 0700), 0); }, {},
       " is not a plain file; the password must be kept in a plain file of your own"},
      {"a pipe is not waited on", [](const QByteArray& p, const QByteArray&) { ASSERT_EQ(::mkfifo(p.constData(), 0600), 0); },
       {}, " is not a plain file; the password must be kept in a plain file of your own"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QTemporaryDir folder;
    const QString file = folder.filePath("irc-proxy-password");
    const QByteArray other = QFile::encodeName(folder.filePath("other"));
    Write(other, "other-secret\n", 0600);
    c.make(QFile::encodeName(file), other);
    const ProxyPassword got = ObtainProxyPassword({}, file);
    EXPECT_EQ(got.password, c.password);
    EXPECT_EQ(got.error, c.error.isEmpty() ? QString() : file + c.error);
  }
}

}  // namespace
