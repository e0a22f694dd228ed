#include "cli/cli_command.h"

#include "http/http_constants.h"
#include "http/proxy_config.h"
#include "http/url.h"
#include "query/query_client_settings.h"

#include <QFileInfo>
#include <QIODevice>
#include <QLocale>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>

namespace {

// Longer waits are surely a typo; the limit also keeps the timer's
// millisecond count far from overflowing.
constexpr double kMaxTimeoutSeconds = 7 * 24 * 60 * 60;
constexpr double kMillisecondsPerSecond = 1000.0;

enum class TOption {
    Lines,
    Headers,
    Hops,
    Json,
    Get,
    Output,
    Proxy,
    NoProxy,
    NoHeadFallback,
    Socks,
    SocksLevel,
    SocksUser,
    CaCert,
    Insecure,
    Timeout,
    Input,
    Parallel,
    PerHost,
    Brief,
    Help,
    Version
};

struct TOptionEntry {
    const char* Name;
    TOption Option;
    bool TakesValue;
};

constexpr std::array kOptions{
    TOptionEntry{"--lines", TOption::Lines, false},
    TOptionEntry{"--headers", TOption::Headers, false},
    TOptionEntry{"--hops", TOption::Hops, false},
    TOptionEntry{"--json", TOption::Json, false},
    TOptionEntry{"--get", TOption::Get, false},
    TOptionEntry{"-o", TOption::Output, true},
    TOptionEntry{"--proxy", TOption::Proxy, true},
    TOptionEntry{"--noproxy", TOption::NoProxy, true},
    TOptionEntry{"--no-head-fallback", TOption::NoHeadFallback, false},
    TOptionEntry{"--socks", TOption::Socks, true},
    TOptionEntry{"--socks-level", TOption::SocksLevel, true},
    TOptionEntry{"--socks-user", TOption::SocksUser, true},
    TOptionEntry{"--cacert", TOption::CaCert, true},
    TOptionEntry{"--insecure", TOption::Insecure, false},
    TOptionEntry{"--timeout", TOption::Timeout, true},
    TOptionEntry{"--input", TOption::Input, true},
    TOptionEntry{"--parallel", TOption::Parallel, true},
    TOptionEntry{"--per-host", TOption::PerHost, true},
    TOptionEntry{"--brief", TOption::Brief, false},
    TOptionEntry{"-h", TOption::Help, false},
    TOptionEntry{"--help", TOption::Help, false},
    TOptionEntry{"--version", TOption::Version, false},
};

const TOptionEntry* FindOption(const QString& name) {
    for (const TOptionEntry& entry : kOptions)
        if (name == QLatin1String(entry.Name))
            return &entry;
    return nullptr;
}

std::optional<std::chrono::milliseconds> ParseTimeout(const QString& text) {
    bool ok = false;
    const double seconds = QLocale::c().toDouble(text, &ok);
    if (!ok || !(seconds > 0.0) || seconds > kMaxTimeoutSeconds)
        return std::nullopt;
    // A tiny positive value still waits a little rather than not at all.
    const auto milliseconds = std::max(1LL, std::llround(seconds * kMillisecondsPerSecond));
    return std::chrono::milliseconds(milliseconds);
}

// A count of clients from 1 to kMaxParallel, in decimal digits.
std::optional<int> ParseClientCount(const QString& text) {
    if (text.isEmpty() ||
        !std::all_of(text.begin(), text.end(), [](QChar c) { return c.isDigit(); }))
        return std::nullopt;
    bool ok = false;
    const int count = text.toInt(&ok);
    if (!ok || count < 1 || count > kMaxParallel)
        return std::nullopt;
    return count;
}

// Splits "HOST[:PORT]"; false for an empty host, one with a path or a colon
// in it, or a port that the client would refuse (IsPortNumber).
bool SplitHostPort(const QString& value, QString& host, QString& port) {
    const qsizetype colon = value.lastIndexOf(QLatin1Char(':'));
    host = colon < 0 ? value : value.left(colon);
    port = colon < 0 ? QString() : value.mid(colon + 1);
    const bool hostOk =
        !host.isEmpty() && !host.contains(QLatin1Char('/')) && !host.contains(QLatin1Char(':'));
    return hostOk && (colon < 0 || IsPortNumber(port.toStdString()));
}

// Collects the options in order and stops at the first faulty argument.
class TCommandParser {
public:
    TCliCommand Parse(const QStringList& arguments);

private:
    // Empty when the argument was taken; otherwise the usage error.
    QString Option(const QStringList& arguments, qsizetype& index);
    QString Apply(TOption option, const QString& value);
    QString ApplyProxy(const QString& value);
    QString ApplySocks(const QString& value);
    QString ApplySocksLevel(const QString& value);
    QString ApplySocksUser(const QString& value);
    QString ApplyClientCount(const QString& name, const QString& value, int& count);
    TCliCommand Finish() const;
    QString ListError() const;

    TCliOptions FOptions;
    TListOptions FList;
    bool FListOption = false; // an option that only a list has
    QStringList FPositional;
    bool FHelp = false;
    bool FVersion = false;
    bool FSocksDetails = false; // --socks-level or --socks-user given
};

TCliCommand Command(TCliCommand::TKind kind) {
    TCliCommand command;
    command.Kind = kind;
    return command;
}

TCliCommand UsageError(const QString& message) {
    TCliCommand command = Command(TCliCommand::TKind::UsageError);
    command.Error = message;
    return command;
}

TCliCommand TCommandParser::Parse(const QStringList& arguments) {
    for (qsizetype i = 0; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QLatin1String("--")) {
            FPositional += arguments.mid(i + 1);
            break;
        }
        // A lone "-" is no option but text, taken as the address like any other.
        if (!argument.startsWith(QLatin1Char('-')) || argument.size() == 1) {
            FPositional += argument;
            continue;
        }
        if (const QString error = Option(arguments, i); !error.isEmpty())
            return UsageError(error);
    }
    return Finish();
}

QString TCommandParser::Option(const QStringList& arguments, qsizetype& index) {
    const QString& argument = arguments[index];
    const bool inlineValue =
        argument.startsWith(QLatin1String("--")) && argument.contains(QLatin1Char('='));
    const QString name = inlineValue ? argument.section(QLatin1Char('='), 0, 0) : argument;
    const TOptionEntry* entry = FindOption(name);
    if (entry == nullptr)
        return QStringLiteral("Unbekannte Option „%1“.").arg(name);
    if (!entry->TakesValue) {
        if (inlineValue)
            return QStringLiteral("Die Option %1 erwartet keinen Wert.").arg(name);
        return Apply(entry->Option, {});
    }
    if (inlineValue)
        return Apply(entry->Option, argument.section(QLatin1Char('='), 1));
    if (index + 1 >= arguments.size())
        return QStringLiteral("Die Option %1 erwartet einen Wert.").arg(name);
    return Apply(entry->Option, arguments[++index]);
}

QString TCommandParser::Apply(TOption option, const QString& value) {
    switch (option) {
    case TOption::Lines:
        FOptions.Lines = true;
        break;
    case TOption::Headers:
        FOptions.Headers = true;
        break;
    case TOption::Hops:
        FOptions.Hops = true;
        break;
    case TOption::Json:
        FOptions.Json = true;
        break;
    case TOption::Get:
        FOptions.Get = true;
        break;
    case TOption::Output:
        if (value.isEmpty())
            return QStringLiteral("Die Option -o erwartet einen Dateinamen.");
        FOptions.OutputFile = value;
        break;
    case TOption::Proxy:
        return ApplyProxy(value);
    case TOption::NoProxy:
        FOptions.NoProxy = value;
        break;
    case TOption::Socks:
        return ApplySocks(value);
    case TOption::SocksLevel:
        return ApplySocksLevel(value);
    case TOption::SocksUser:
        return ApplySocksUser(value);
    case TOption::CaCert:
        // Checked here: the handshake would only say that it cannot read it.
        if (!QFileInfo(value).isFile() || !QFileInfo(value).isReadable())
            return QStringLiteral("Die Datei „%1“ lässt sich nicht lesen.").arg(value);
        FOptions.CaFile = value;
        break;
    case TOption::Insecure:
        FOptions.Insecure = true;
        break;
    case TOption::NoHeadFallback:
        FOptions.HeadFallback = false;
        break;
    case TOption::Timeout:
        FOptions.Timeout = ParseTimeout(value);
        if (!FOptions.Timeout)
            return QStringLiteral("Ungültige Wartezeit „%1“: erwartet wird eine Zahl von Sekunden "
                                  "größer als 0 und höchstens %2, z. B. 10 oder 2.5.")
                .arg(value)
                .arg(kMaxTimeoutSeconds);
        break;
    case TOption::Input:
        if (value.isEmpty())
            return QStringLiteral("Die Option --input erwartet einen Dateinamen.");
        FList.InputFile = value;
        FListOption = true;
        break;
    case TOption::Parallel:
        return ApplyClientCount(QStringLiteral("--parallel"), value, FList.Parallel);
    case TOption::PerHost:
        return ApplyClientCount(QStringLiteral("--per-host"), value, FList.PerHost);
    case TOption::Brief:
        FList.Format = TListFormat::Brief;
        FListOption = true;
        break;
    case TOption::Help:
        FHelp = true;
        break;
    case TOption::Version:
        FVersion = true;
        break;
    }
    return {};
}

QString TCommandParser::ApplyProxy(const QString& value) {
    // Empty: no proxy at all for this run.
    if (!value.isEmpty()) {
        if (const TProxyChoice choice = ParseProxyValue(value.toStdString()); !choice.Error.empty())
            // The message leaves the value out: it may hold a password.
            return QStringLiteral("Ungültiger Proxy: erwartet wird HOST[:PORT] oder "
                                  "SCHEMA://[BENUTZER:PASSWORT@]HOST[:PORT] mit dem Schema http, "
                                  "socks4, socks4a, "
                                  "socks5 oder socks5h und einem Port von 1 bis %1.")
                .arg(http_limits::kMaxPort);
    }
    FOptions.Proxy = value;
    return {};
}

QString TCommandParser::ApplySocks(const QString& value) {
    if (!SplitHostPort(value, FOptions.SocksHost, FOptions.SocksPort) ||
        FOptions.SocksPort.isEmpty())
        return QStringLiteral("Ungültiger SOCKS-Server „%1“: erwartet wird HOST:PORT "
                              "mit einem Port von 1 bis %2.")
            .arg(value)
            .arg(http_limits::kMaxPort);
    return {};
}

QString TCommandParser::ApplySocksLevel(const QString& value) {
    const QString level = value.toUpper();
    if (level != QLatin1String("4") && level != QLatin1String("4A") && level != QLatin1String("5"))
        return QStringLiteral("Ungültige SOCKS-Version „%1“: erwartet wird 4, 4A oder 5.")
            .arg(value);
    FOptions.SocksLevel = level;
    FSocksDetails = true;
    return {};
}

QString TCommandParser::ApplySocksUser(const QString& value) {
    // The message leaves the value out: it holds a password.
    const qsizetype colon = value.indexOf(QLatin1Char(':'));
    if (colon <= 0)
        return QStringLiteral(
            "Ungültige SOCKS-Anmeldung: erwartet wird BENUTZER:PASSWORT mit einem Benutzernamen.");
    FOptions.SocksUser = value.left(colon);
    FOptions.SocksPassword = value.mid(colon + 1);
    FSocksDetails = true;
    return {};
}

QString TCommandParser::ApplyClientCount(const QString& name, const QString& value, int& count) {
    const std::optional<int> parsed = ParseClientCount(value);
    if (!parsed)
        return QStringLiteral("Ungültige Anzahl „%1“ für %2: erwartet wird eine ganze Zahl "
                              "von 1 bis %3.")
            .arg(value, name)
            .arg(kMaxParallel);
    count = *parsed;
    FListOption = true;
    return {};
}

TCliCommand TCommandParser::Finish() const {
    if (FHelp)
        return Command(TCliCommand::TKind::Help);
    if (FVersion)
        return Command(TCliCommand::TKind::Version);
    if (FPositional.isEmpty() && FList.InputFile.isEmpty())
        return UsageError(QStringLiteral("Es fehlt die Internet-Adresse (URL)."));
    // The window refuses an empty address with the same sentence.
    if (FPositional.contains(QString()))
        return UsageError(
            QStringLiteral("Bitte geben Sie vor der Abfrage eine Internet-Adresse ein."));
    if (!FOptions.OutputFile.isEmpty() && !FOptions.Get)
        return UsageError(QStringLiteral("Die Option -o ist nur zusammen mit --get möglich."));
    // Anything beside the object would keep a program from reading it.
    if (FOptions.Json && (FOptions.Lines || FOptions.Headers || FOptions.Hops))
        return UsageError(QStringLiteral(
            "Die Option --json lässt sich nicht mit --lines, --headers oder --hops verbinden."));
    if (FSocksDetails && FOptions.SocksHost.isEmpty())
        return UsageError(QStringLiteral(
            "Die Optionen --socks-level und --socks-user sind nur zusammen mit --socks möglich."));
    const bool list = FListOption || FPositional.size() > 1;
    if (list) {
        if (const QString error = ListError(); !error.isEmpty())
            return UsageError(error);
    }
    TCliCommand command = Command(list ? TCliCommand::TKind::List : TCliCommand::TKind::Run);
    command.Options = FOptions;
    if (list) {
        command.List = FList;
        command.List.Urls = FPositional;
        if (FOptions.Json)
            command.List.Format = TListFormat::Json;
    } else {
        command.Options.Url = FPositional.front();
    }
    return command;
}

QString TCommandParser::ListError() const {
    // One body file cannot take the bodies of many addresses.
    if (!FOptions.OutputFile.isEmpty())
        return QStringLiteral("Die Option -o ist nur mit einer einzigen Adresse möglich.");
    // Every line of --brief stands for one address.
    if (FList.Format == TListFormat::Brief &&
        (FOptions.Json || FOptions.Lines || FOptions.Headers || FOptions.Hops))
        return QStringLiteral("Die Option --brief lässt sich nicht mit --json, --lines, --headers "
                              "oder --hops verbinden.");
    return {};
}

} // namespace

TCliCommand ParseCliCommand(const QStringList& arguments) {
    return TCommandParser().Parse(arguments);
}

QString CliHelpText() {
    return QStringLiteral(
               "Aufruf: %1 [Optionen] URL...\n"
               "\n"
               "Fragt mit einer HTTP-HEAD-Anfrage ab, was der Server über das Dokument unter URL\n"
               "sagt, und gibt den HTTP-Report aus, wie ihn Quorvik anzeigt (UTF-8). Adressen\n"
               "mit https:// gehen verschlüsselt (TLS) zum Server; sein Zertifikat wird gegen die\n"
               "Zertifizierungsstellen des Systems geprüft. Mehrere Adressen (eine Liste) fragt\n"
               "es zugleich ab.\n"
               "\n"
               "Optionen:\n"
               "  --lines              die Zeilen des Reports roh ausgeben, mit den Markierungen\n"
               "                       >>...<< und dem geschützten Leerzeichen vor jedem Wert\n"
               "  --headers            nach dem Report jede empfangene Kopfzeile ausgeben\n"
               "  --hops               nach dem Report je Schritt der Anfrage eine Zeile\n"
               "                       ausgeben (Nummer, Status, angefragte Adresse, -> und\n"
               "                       das Weiterleitungsziel, Dauer), dann die endgültige\n"
               "                       Adresse\n"
               "  --json               statt des Reports ein JSON-Objekt ausgeben (UTF-8):\n"
               "                       Fehler, jeder Schritt mit Kopfzeilen und Zeiten, das\n"
               "                       Endergebnis und die Zeilen des Reports\n"
               "  --get                GET statt HEAD senden, den Inhalt verwerfen und die\n"
               "                       gemessene Geschwindigkeit in den Report aufnehmen\n"
               "  -o DATEI             mit --get: den Inhalt in DATEI schreiben; mit - auf die\n"
               "                       Standardausgabe (der Report geht dann auf die\n"
               "                       Standardfehlerausgabe)\n"
               "  --proxy ADRESSE      über diesen Proxy abfragen statt über den der Umgebung:\n"
               "                       HOST[:PORT] (HTTP-Proxy, ohne Port: 80) oder\n"
               "                       SCHEMA://[BENUTZER:PASSWORT@]HOST[:PORT] mit den\n"
               "                       Schemata http, socks4, socks4a, socks5, socks5h (bei\n"
               "                       SOCKS ohne Port: 1080; mit h löst der Proxy den Namen\n"
               "                       auf); --proxy \"\" fragt ohne Proxy ab\n"
               "  --noproxy LISTE      diese Rechner ohne Proxy abfragen, statt no_proxy: Namen\n"
               "                       (auch für alle darunter), Adressen, durch Kommas\n"
               "                       getrennt; * für alle\n"
               "  --no-head-fallback   eine mit 405 oder 501 abgelehnte HEAD-Anfrage nicht als\n"
               "                       GET wiederholen, das nur den Kopf liest\n"
               "  --socks HOST:PORT    über diesen SOCKS-Server verbinden (bei SOCKS 4A und 5\n"
               "                       löst er auch den Rechnernamen aus der URL auf)\n"
               "  --socks-level 4|4A|5 die SOCKS-Version (Vorgabe: 5)\n"
               "  --socks-user BENUTZER:PASSWORT\n"
               "                       beim SOCKS-5-Server mit Benutzername und Passwort\n"
               "                       anmelden (bei SOCKS 4 und 4A: nur der Benutzername)\n"
               "  --cacert DATEI       bei https-Adressen auch Zertifikaten trauen, die von einer\n"
               "                       Zertifizierungsstelle in DATEI (PEM) ausgestellt sind\n"
               "  --insecure           bei https-Adressen jedes Zertifikat annehmen, ohne\n"
               "                       Prüfung von Aussteller, Gültigkeit und Rechnername\n"
               "  --timeout SEKUNDEN   die Anfrage nach dieser Zeit abbrechen (Vorgabe: keine)\n"
               "  --input DATEI        die Adressen aus DATEI lesen, eine je Zeile, nach denen\n"
               "                       der Befehlszeile; mit - von der Standardeingabe; leere\n"
               "                       Zeilen und solche, die mit # beginnen, zählen nicht\n"
               "  --parallel ANZAHL    so viele Adressen einer Liste zugleich abfragen\n"
               "                       (Vorgabe: %2, höchstens %3)\n"
               "  --per-host ANZAHL    davon höchstens so viele zugleich an denselben Rechner\n"
               "                       und Port, wie die Adresse sie nennt (Vorgabe: %4)\n"
               "  --brief              je Adresse eine Zeile, die Spalten durch Tabulatoren\n"
               "                       getrennt: Status, endgültige Adresse, Größe in Bytes,\n"
               "                       Typ, Dauer in ms, Anzahl der Schritte, Fehler\n"
               "  -h, --help           diese Hilfe ausgeben\n"
               "  --version            die Version ausgeben\n"
               "\n"
               "Strg+C bricht eine laufende Anfrage ab; der Report wird dann noch ausgegeben.\n"
               "\n"
               "Listen: Mit mehr als einer Adresse, mit --input, --parallel, --per-host oder\n"
               "--brief gibt das Programm die Ergebnisse in der Reihenfolge der Eingabe aus,\n"
               "jedes, sobald es und alle davor fertig sind: die Reports durch eine Leerzeile\n"
               "getrennt, mit --json ein JSON-Objekt je Zeile (JSON Lines), mit --brief eine\n"
               "Zeile je Adresse. Die Optionen gelten für jede Adresse; -o ist mit einer Liste\n"
               "nicht möglich. Ist die Standardfehlerausgabe ein Terminal, zeigt sie den\n"
               "Fortschritt. Strg+C bricht alle laufenden Anfragen ab; ausgegeben ist dann, was\n"
               "bis zur ersten unfertigen Adresse fertig war.\n"
               "\n"
               "Proxys: Ohne --proxy gelten die Umgebungsvariablen wie bei curl: http_proxy\n"
               "(nur klein geschrieben), https_proxy oder HTTPS_PROXY, all_proxy oder ALL_PROXY\n"
               "für Adressen ohne eigene Variable und no_proxy oder NO_PROXY für die Ausnahmen;\n"
               "https-Adressen gehen durch einen HTTP-Proxy in einem CONNECT-Tunnel.\n"
               "\n"
               "Cookies: Was ein Server in einer Weiterleitung mit Set-Cookie setzt, geht in\n"
               "den folgenden Anfragen derselben Abfrage an die passenden Server zurück; danach\n"
               "wird es vergessen und nie gespeichert.\n"
               "\n"
               "Rückgabewert: 0, wenn der Report keinen Fehler meldet; 1, wenn er einen Fehler\n"
               "meldet oder der Inhalt nicht geschrieben werden konnte; 2 bei falschem Aufruf;\n"
               "130, wenn Strg+C die Anfrage abgebrochen hat. Bei einer Liste: 1, sobald ein\n"
               "Report einen Fehler meldet oder eine Zeile der Eingabe zu lang ist.\n")
        .arg(QLatin1String(kCliProgramName))
        .arg(kDefaultParallel)
        .arg(kMaxParallel)
        .arg(kDefaultPerHost);
}

QString CliVersionText() {
    return QStringLiteral("%1 %2 (Vendrix %3)\n")
        .arg(QLatin1String(kCliProgramName), QLatin1String(queryclient::kProductVersion),
             QLatin1String(queryclient::kProductName));
}

void WriteUtf8(QIODevice& device, const QString& text) {
    device.write(text.toUtf8());
}

QString CliNoteText(const QString& message) {
    return QStringLiteral("%1: %2\n").arg(QLatin1String(kCliProgramName), message);
}

QString UsageErrorText(const QString& message) {
    return CliNoteText(message) + QStringLiteral("Aufruf: %1 [Optionen] URL... (mehr mit --help)\n")
                                      .arg(QLatin1String(kCliProgramName));
}
