#pragma once

#include <optional>

#include <QString>
#include <QStringList>

// Files of a certificate authority made for one test and of a server
// certificate it signed, all PEM.
struct TestCertificates {
  QString caCert;
  QString caKey;
  QString serverCert;
  QString serverKey;
};

// Runs openssl to make them in dir: a CA, and a server certificate for the
// given names, the first as its common name, all of them as subject
// alternative names (an address such as "127.0.0.1" as an IP entry). Valid
// from now for two days. Nothing when openssl fails; error then says why.
std::optional<TestCertificates> MakeTestCertificates(const QString& dir, const QStringList& hostNames,
                                                     QString* error = nullptr);
