#include <gtest/gtest.h>

#include "cli/address_source.h"
#include "cli/cli_command.h"

#include <QBuffer>

namespace {

using TKind = TCliCommand::TKind;

TEST(CliCommandTest, ReadsEveryOptionInBothForms) {
    const TCliCommand separate =
        ParseCliCommand({"--lines", "--headers", "--hops", "--get", "-o", "body.bin", "--proxy",
                         "proxy.test:8080", "--noproxy", "a.test,b.test", "--no-head-fallback",
                         "--timeout", "2.5", "http://host.test/"});
    ASSERT_EQ(separate.Kind, TKind::Run) << separate.Error.toStdString();
    const TCliOptions& o = separate.Options;
    EXPECT_TRUE(o.Lines);
    EXPECT_TRUE(o.Headers);
    EXPECT_TRUE(o.Hops);
    EXPECT_FALSE(o.Json);
    EXPECT_TRUE(o.Get);
    EXPECT_EQ(o.OutputFile, "body.bin");
    EXPECT_EQ(o.Proxy, "proxy.test:8080");
    EXPECT_EQ(o.NoProxy, "a.test,b.test");
    EXPECT_FALSE(o.HeadFallback);
    EXPECT_EQ(o.Timeout, std::chrono::milliseconds(2500));
    EXPECT_EQ(o.Url, "http://host.test/");

    const TCliCommand joined =
        ParseCliCommand({"--proxy=proxy.test", "--json", "--timeout=0.0001", "--", "-odd-address"});
    ASSERT_EQ(joined.Kind, TKind::Run) << joined.Error.toStdString();
    EXPECT_EQ(joined.Options.Proxy, "proxy.test");
    EXPECT_FALSE(joined.Options.NoProxy);
    EXPECT_TRUE(joined.Options.HeadFallback);
    // A tiny wait still waits rather than aborting at once.
    EXPECT_EQ(joined.Options.Timeout, std::chrono::milliseconds(1));
    EXPECT_EQ(joined.Options.Url, "-odd-address");
    EXPECT_FALSE(joined.Options.Get);
    EXPECT_TRUE(joined.Options.Json);
}

TEST(CliCommandTest, ReadsTheSocksOptions) {
    const TCliCommand command =
        ParseCliCommand({"--socks", "socks.test:1080", "--socks-level=4a", "--socks-user",
                         "name:pass:with:colons", "http://host.test/"});
    ASSERT_EQ(command.Kind, TKind::Run) << command.Error.toStdString();
    const TCliOptions& o = command.Options;
    EXPECT_EQ(o.SocksHost, "socks.test");
    EXPECT_EQ(o.SocksPort, "1080");
    EXPECT_EQ(o.SocksLevel, "4A");
    EXPECT_EQ(o.SocksUser, "name");
    EXPECT_EQ(o.SocksPassword, "pass:with:colons");
    EXPECT_FALSE(o.Proxy);

    const TCliCommand plain = ParseCliCommand({"--socks=127.0.0.1:9050", "http://host.test/"});
    ASSERT_EQ(plain.Kind, TKind::Run) << plain.Error.toStdString();
    EXPECT_EQ(plain.Options.SocksLevel, "5");
    EXPECT_TRUE(plain.Options.SocksUser.isEmpty());
}

// Every form the environment's variables take, and none at all.
TEST(CliCommandTest, ProxyTakesTheFormsOfTheEnvironment) {
    for (const char* value : {"http://proxy.test:3128", "socks4://p.test", "socks4a://p.test:1",
                              "socks5://u:p@p.test:1080/", "socks5h://[::1]:9050", ""}) {
        SCOPED_TRACE(value);
        const TCliCommand command = ParseCliCommand({"--proxy", value, "http://host.test/"});
        ASSERT_EQ(command.Kind, TKind::Run) << command.Error.toStdString();
        EXPECT_EQ(command.Options.Proxy, QString::fromLatin1(value));
    }
}

// More than one address, or any option that only a list has, makes a list;
// --json then prints one object per line.
TEST(CliCommandTest, ReadsTheListOptions) {
    const TCliCommand full =
        ParseCliCommand({"--input", "-", "--parallel=256", "--per-host", "1", "--brief",
                         "--timeout", "3", "http://a.test/", "http://b.test/"});
    ASSERT_EQ(full.Kind, TKind::List) << full.Error.toStdString();
    EXPECT_EQ(full.List.Urls, QStringList({"http://a.test/", "http://b.test/"}));
    EXPECT_EQ(full.List.InputFile, "-");
    EXPECT_EQ(full.List.Parallel, 256);
    EXPECT_EQ(full.List.PerHost, 1);
    EXPECT_EQ(full.List.Format, TListFormat::Brief);
    EXPECT_EQ(full.Options.Timeout, std::chrono::milliseconds(3000));

    const TCliCommand fileOnly = ParseCliCommand({"--json", "--input", "list.txt"});
    ASSERT_EQ(fileOnly.Kind, TKind::List) << fileOnly.Error.toStdString();
    EXPECT_TRUE(fileOnly.List.Urls.isEmpty());
    EXPECT_EQ(fileOnly.List.Parallel, kDefaultParallel);
    EXPECT_EQ(fileOnly.List.PerHost, kDefaultPerHost);
    EXPECT_EQ(fileOnly.List.Format, TListFormat::Json);

    EXPECT_EQ(ParseCliCommand({"http://a.test/", "http://b.test/"}).List.Format,
              TListFormat::Report);
    EXPECT_EQ(ParseCliCommand({"--per-host", "2", "http://a.test/"}).Kind, TKind::List);
    EXPECT_EQ(ParseCliCommand({"--json", "http://a.test/"}).Kind, TKind::Run);
}

// The arguments, then the input's lines: trimmed, CR LF and a last line
// without an end taken as they come, over-long lines skipped whole.
TEST(AddressSourceTest, ReadsArgumentsThenLinesAndSkipsWhatIsNoAddress) {
    QByteArray text = "\n  # note\r\n http://b.test/ \r\n\t\n";
    text += QByteArray(kMaxAddressLineBytes, 'x') + "\nhttp://c.test/\n";
    // Longer than one read of the input.
    text += QByteArray(5 * kMaxAddressLineBytes, 'y') + "\nhttp://d.test/";
    QBuffer input(&text);
    ASSERT_TRUE(input.open(QIODevice::ReadOnly));
    TAddressSource source({"http://a.test/"}, &input);
    QStringList addresses;
    std::vector<qint64> tooLong;
    while (const std::optional<TAddressLine> line = source.Next()) {
        EXPECT_FALSE(source.Total());
        if (line->TooLong)
            tooLong.push_back(line->LineNumber);
        else
            addresses += line->Address;
    }
    EXPECT_EQ(addresses, QStringList({"http://a.test/", "http://b.test/", "http://c.test/",
                                      "http://d.test/"}));
    EXPECT_EQ(tooLong, (std::vector<qint64>{5, 7}));
    EXPECT_EQ(source.Total(), 4);
}

TEST(CliCommandTest, HelpAndVersionWinOverAMissingAddressButNotOverAFault) {
    EXPECT_EQ(ParseCliCommand({"--help"}).Kind, TKind::Help);
    EXPECT_EQ(ParseCliCommand({"--version", "-h"}).Kind, TKind::Help);
    EXPECT_EQ(ParseCliCommand({"--version"}).Kind, TKind::Version);
    EXPECT_EQ(ParseCliCommand({"--bogus", "--help"}).Kind, TKind::UsageError);
}

TEST(CliCommandTest, RejectsFaultyCommandLinesWithAGermanReason) {
    const struct {
        QStringList Arguments;
        const char* Reason;
    } cases[] = {
        {{}, "Es fehlt die Internet-Adresse"},
        {{""}, "Bitte geben Sie vor der Abfrage eine Internet-Adresse ein."},
        {{"--brief", "http://a.test/", ""},
         "Bitte geben Sie vor der Abfrage eine Internet-Adresse ein."},
        {{"--get", "-o", "b.bin", "http://a.test/", "http://b.test/"},
         "Die Option -o ist nur mit einer einzigen Adresse möglich."},
        {{"--get", "-o", "b.bin", "--input", "list.txt"}, "-o ist nur mit einer einzigen Adresse"},
        {{"--input", "", "http://a.test/"}, "Die Option --input erwartet einen Dateinamen."},
        {{"--parallel", "0", "http://a.test/"},
         "Ungültige Anzahl „0“ für --parallel: erwartet wird eine ganze Zahl von 1 bis 256."},
        {{"--parallel", "257", "http://a.test/"}, "Ungültige Anzahl „257“ für --parallel"},
        {{"--parallel", "+8", "http://a.test/"}, "Ungültige Anzahl „+8“ für --parallel"},
        {{"--per-host= 2", "http://a.test/"}, "Ungültige Anzahl „ 2“ für --per-host"},
        {{"--brief", "--json", "http://a.test/"},
         "Die Option --brief lässt sich nicht mit --json, --lines, --headers oder --hops "
         "verbinden."},
        {{"--brief", "--hops", "http://a.test/"}, "--brief lässt sich nicht"},
        {{"-x", "http://a.test/"}, "Unbekannte Option „-x“"},
        {{"--get=yes", "http://a.test/"}, "Die Option --get erwartet keinen Wert."},
        {{"http://a.test/", "--proxy"}, "Die Option --proxy erwartet einen Wert."},
        {{"-o", "body.bin", "http://a.test/"}, "-o ist nur zusammen mit --get möglich"},
        {{"--get", "-o", "", "http://a.test/"}, "Die Option -o erwartet einen Dateinamen."},
        {{"--timeout", "abc", "http://a.test/"}, "Ungültige Wartezeit „abc“"},
        {{"--timeout", "0", "http://a.test/"}, "Ungültige Wartezeit „0“"},
        {{"--timeout", "-1", "http://a.test/"}, "Ungültige Wartezeit „-1“"},
        {{"--timeout", "nan", "http://a.test/"}, "Ungültige Wartezeit „nan“"},
        {{"--timeout", "1e9", "http://a.test/"}, "Ungültige Wartezeit „1e9“"},
        {{"--proxy", "proxy.test:0", "http://a.test/"}, "Ungültiger Proxy: erwartet wird"},
        {{"--proxy", "proxy.test:65536", "http://a.test/"}, "Ungültiger Proxy"},
        {{"--proxy", "proxy.test:+80", "http://a.test/"}, "Ungültiger Proxy"},
        {{"--proxy", "proxy.test:x", "http://a.test/"}, "Ungültiger Proxy"},
        {{"--proxy", ":3128", "http://a.test/"}, "Ungültiger Proxy"},
        {{"--proxy", "ftp://proxy.test:3128", "http://a.test/"}, "Ungültiger Proxy"},
        {{"--proxy", "socks5h://[::1", "http://a.test/"}, "Ungültiger Proxy"},
        {{"--socks", "socks.test", "http://a.test/"}, "Ungültiger SOCKS-Server „socks.test“"},
        {{"--socks", "socks.test:0", "http://a.test/"}, "Ungültiger SOCKS-Server"},
        {{"--socks", ":1080", "http://a.test/"}, "Ungültiger SOCKS-Server"},
        {{"--socks", "s.test:1080", "--socks-level", "6", "http://a.test/"},
         "Ungültige SOCKS-Version „6“: erwartet wird 4, 4A oder 5."},
        {{"--socks", "s.test:1080", "--socks-user", "nopassword", "http://a.test/"},
         "Ungültige SOCKS-Anmeldung"},
        {{"--socks", "s.test:1080", "--socks-user", ":secret", "http://a.test/"},
         "Ungültige SOCKS-Anmeldung"},
        {{"--socks-level", "4", "http://a.test/"}, "nur zusammen mit --socks möglich"},
        {{"--socks-user", "a:b", "http://a.test/"}, "nur zusammen mit --socks möglich"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Arguments.join(' ').toStdString());
        const TCliCommand command = ParseCliCommand(c.Arguments);
        EXPECT_EQ(command.Kind, TKind::UsageError);
        EXPECT_TRUE(command.Error.contains(QString::fromUtf8(c.Reason)))
            << command.Error.toStdString();
    }
}

} // namespace
