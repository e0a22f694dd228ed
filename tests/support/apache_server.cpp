#include "tests/support/apache_server.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <unistd.h>

namespace testsupport {

namespace {

// Apache logs this once it listens.
constexpr char kReadyMark[] = "resuming normal operations";
constexpr char kModules[] = "/usr/lib/apache2/modules";
// Started as root, Apache serves as this user, which must read the documents.
constexpr char kServingUser[] = "www-data";

bool WriteFile(const QString& Path, const QByteArray& Content) {
    QFile File(Path);
    return QDir().mkpath(QFileInfo(Path).path()) && File.open(QIODevice::WriteOnly) &&
           File.write(Content) == Content.size();
}

// Whoever serves may read and enter everything below `Folder`.
void OpenForReading(const QString& Folder) {
    QFile::setPermissions(Folder, QFile::permissions(Folder) | QFile::ReadOther | QFile::ExeOther |
                                      QFile::ReadGroup | QFile::ExeGroup);
    for (const QFileInfo& Entry : QDir(Folder).entryInfoList(QDir::Dirs | QDir::NoDotAndDotDot))
        OpenForReading(Entry.filePath());
}

} // namespace

QString TApacheServer::Executable() {
    return QStandardPaths::findExecutable("apache2", {"/usr/sbin", "/usr/local/sbin"});
}

TApacheServer::TApacheServer(const QString& Directives, const std::map<QString, QByteArray>& Files)
    : FProcess(
          Executable(), kReadyMark,
          [Directives, Files](const QString& Folder,
                              std::uint16_t Port) -> std::optional<QStringList> {
              const QDir Dir(Folder);
              for (const auto& [Name, Content] : Files)
                  if (!WriteFile(Dir.filePath("www/" + Name), Content))
                      return std::nullopt;
              QString Config;
              for (const char* Module : {"mpm_event", "authz_core", "alias", "dir", "mime", "asis"})
                  Config += QString("LoadModule %1_module %2/mod_%1.so\n").arg(Module, kModules);
              Config += QString("ServerRoot \"%1\"\n"
                                "Listen 127.0.0.1:%2\n"
                                "ServerName 127.0.0.1\n"
                                "PidFile \"%1/apache2.pid\"\n"
                                "DefaultRuntimeDir \"%1\"\n"
                                "Mutex file:%1 default\n"
                                "ErrorLog /dev/stderr\n"
                                "LogLevel notice\n"
                                "TypesConfig /dev/null\n"
                                "AddType text/plain .txt\n"
                                "AddType text/html .html\n"
                                "AddHandler send-as-is asis\n"
                                "DocumentRoot \"%1/www\"\n"
                                "DirectoryIndex index.html\n")
                            .arg(Folder)
                            .arg(Port);
              if (geteuid() == 0)
                  Config += QString("User %1\nGroup %1\n").arg(kServingUser);
              Config += Directives + "\n";
              if (!WriteFile(Dir.filePath("apache2.conf"), Config.toUtf8()))
                  return std::nullopt;
              OpenForReading(Folder);
              return QStringList{"-d", Folder, "-f", Dir.filePath("apache2.conf"), "-DFOREGROUND"};
          }) {}

} // namespace testsupport
