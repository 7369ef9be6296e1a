#include "tests/support/irc/TestCertificates.h"

#include <QDir>
#include <QFile>
#include <QHostAddress>
#include <QProcess>

namespace {

constexpr int kOpensslLimitMs = 30000;
// P-256 keys are made at once, where RSA keys take a noticeable while.
const QStringList kNewKey = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-noenc"};

bool RunOpenssl(const QStringList& arguments, QString* error) {
  QProcess openssl;
  openssl.setProcessChannelMode(QProcess::MergedChannels);
  openssl.start("openssl", arguments);
  const bool finished = openssl.waitForStarted(kOpensslLimitMs) && openssl.waitForFinished(kOpensslLimitMs);
  if (finished && openssl.exitStatus() == QProcess::NormalExit && openssl.exitCode() == 0) return true;
  if (error) {
    *error = "openssl " + arguments.join(' ') + " failed: " + openssl.errorString() + "\n" +
             QString::fromUtf8(openssl.readAll());
  }
  openssl.kill();
  openssl.waitForFinished(kOpensslLimitMs);
  return false;
}

QString AltNames(const QStringList& hostNames) {
  QStringList names;
  for (const QString& name : hostNames) {
    names << (QHostAddress().setAddress(name) ? "IP:" : "DNS:") + name;
  }
  return names.join(',');
}

}  // namespace

std::optional<TestCertificates> MakeTestCertificates(const QString& dir, const QStringList& hostNames,
                                                     QString* error) {
  if (hostNames.isEmpty()) {
    if (error) *error = "no host name for the server certificate";
    return std::nullopt;
  }
  const QDir folder(dir);
  TestCertificates files{folder.filePath("ca-cert.pem"), folder.filePath("ca-key.pem"),
                         folder.filePath("server-cert.pem"), folder.filePath("server-key.pem")};
  const QString request = folder.filePath("server.csr");
  const QString extensions = folder.filePath("server-ext.cnf");

  QFile extensionFile(extensions);
  if (!extensionFile.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
    if (error) *error = "cannot write " + extensions;
    return std::nullopt;
  }
  extensionFile.write(("basicConstraints = critical, CA:FALSE\n"
                       "keyUsage = critical, digitalSignature, keyEncipherment\n"
                       "extendedKeyUsage = serverAuth\n"
                       "subjectAltName = " +
                       AltNames(hostNames) + "\n")
                          .toUtf8());
  extensionFile.close();

  const bool made =
      RunOpenssl(QStringList{"req", "-x509"} + kNewKey +
                     QStringList{"-keyout", files.caKey, "-out", files.caCert, "-days", "2", "-subj",
                                 "/CN=Morva MP3 test CA", "-addext", "basicConstraints=critical,CA:TRUE",
                                 "-addext", "keyUsage=critical,keyCertSign,cRLSign"},
                 error) &&
      RunOpenssl(QStringList{"req", "-new"} + kNewKey +
                     QStringList{"-keyout", files.serverKey, "-out", request, "-subj", "/CN=" + hostNames.first()},
                 error) &&
      RunOpenssl({"x509", "-req", "-in", request, "-CA", files.caCert, "-CAkey", files.caKey, "-CAcreateserial",
                  "-CAserial", folder.filePath("ca-cert.srl"), "-out", files.serverCert, "-days", "2", "-extfile",
                  extensions},
                 error);
  if (!made) return std::nullopt;
  return files;
}
