#include "tests/support/test_certificates.h"

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>

namespace testsupport {

namespace {

constexpr int kCommandTimeoutMs = 30000;
const char* const LocalNames = "DNS:localhost,IP:127.0.0.1";

// A minimal signing authority: the certificates copy the request's
// subjectAltName from the environment, so each kind can name its own hosts.
const char* const AuthorityConfig = "[ca]\ndefault_ca = test\n"
                                    "[test]\ndir = .\ndatabase = index.txt\nnew_certs_dir = .\n"
                                    "serial = serial\ndefault_md = sha256\npolicy = any\n"
                                    "unique_subject = no\n"
                                    "[any]\ncommonName = supplied\n"
                                    "[server]\nsubjectAltName = $ENV::SAN\n";

bool WriteFile(const QString& Path, const QByteArray& Content) {
    QFile File(Path);
    return File.open(QIODevice::WriteOnly) && File.write(Content) == Content.size();
}

} // namespace

QString TTestCertificates::NginxDirectives(const QString& Kind) const {
    return QString("ssl_protocols TLSv1.2 TLSv1.3; ssl_certificate %1; ssl_certificate_key %2;")
        .arg(CertFile(Kind), KeyFile());
}

QString TTestCertificates::NginxTlsServer(const QString& Kind) const {
    return "  server { listen 127.0.0.1:%2 ssl; root %1/www; " + NginxDirectives(Kind) + " }\n";
}

TTestCertificates::TTestCertificates() {
    if (!FDir.isValid() || !WriteFile(FDir.filePath("ca.cnf"), AuthorityConfig) ||
        !WriteFile(FDir.filePath("index.txt"), "") || !WriteFile(FDir.filePath("serial"), "01\n")) {
        FFailure = "cannot prepare the certificate folder";
        return;
    }
    const QStringList Key = {"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
    const QStringList Sign = {"ca",     "-batch",     "-config", "ca.cnf",      "-cert",
                              "ca.pem", "-keyfile",   "ca.key",  "-extensions", "server",
                              "-in",    "server.csr", "-out"};
    const bool Made =
        Run(QStringList{"req", "-x509"} + Key +
            QStringList{"-keyout", "ca.key", "-out", "ca.pem", "-days", "30", "-subj",
                        "/CN=Quorvik Test CA"}) &&
        Run(QStringList{"req"} + Key +
            QStringList{"-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=localhost"}) &&
        Run(Sign + QStringList{"good.pem", "-days", "2"}, LocalNames) &&
        Run(Sign + QStringList{"expired.pem", "-startdate", "20200101000000Z", "-enddate",
                               "20200102000000Z"},
            LocalNames) &&
        Run(Sign + QStringList{"wronghost.pem", "-days", "2"}, "DNS:other.example") &&
        Run({"req", "-x509", "-key", "server.key", "-out", "selfsigned.pem", "-days", "2", "-subj",
             "/CN=localhost", "-addext", QString("subjectAltName=") + LocalNames});
    if (!Made && FFailure.isEmpty())
        FFailure = "openssl failed";
}

bool TTestCertificates::Run(const QStringList& Arguments, const QString& San) {
    QProcess Openssl;
    Openssl.setWorkingDirectory(FDir.path());
    QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
    Environment.insert("SAN", San.isEmpty() ? LocalNames : San);
    Openssl.setProcessEnvironment(Environment);
    Openssl.start("openssl", Arguments);
    if (!Openssl.waitForFinished(kCommandTimeoutMs) ||
        Openssl.exitStatus() != QProcess::NormalExit || Openssl.exitCode() != 0) {
        FFailure = "openssl " + Arguments.join(' ') + ": " + Openssl.readAllStandardError();
        return false;
    }
    return true;
}

} // namespace testsupport
