#pragma once

#include <QString>
#include <QTemporaryDir>

namespace testsupport {

// A test CA ("Quorvik Test CA") and server certificates for localhost and
// 127.0.0.1, made with the openssl command in a temporary folder. Kinds:
// "good" (signed by the CA, valid for two days), "expired" (2020),
// "wronghost" (for other.example only) and "selfsigned". All share one key.
class TTestCertificates {
public:
    TTestCertificates();

    // Empty when everything was made; else what failed.
    const QString& Failure() const { return FFailure; }
    QString CaFile() const { return FDir.filePath("ca.pem"); }
    QString KeyFile() const { return FDir.filePath("server.key"); }
    QString CertFile(const QString& Kind) const { return FDir.filePath(Kind + ".pem"); }
    QString Path() const { return FDir.path(); }
    // nginx directives for a TLS server block with the certificate of `Kind`
    // (Debian's nginx offers no TLS 1.3 unless told).
    QString NginxDirectives(const QString& Kind) const;
    // A whole server block for TNginxServer: TLS on its first port, serving `www/`.
    QString NginxTlsServer(const QString& Kind) const;

private:
    bool Run(const QStringList& Arguments, const QString& San = {});

    QTemporaryDir FDir;
    QString FFailure;
};

} // namespace testsupport
