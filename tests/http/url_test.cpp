#include <gtest/gtest.h>

#include "http/http_target.h"
#include "http/idna.h"
#include "http/uri.h"
#include "http/url.h"

namespace {

// Each case: an address and its parts proto|user|pass|host|port|path.
TEST(ParseUrlTest, SplitsIntoSixParts) {
    const std::pair<const char*, const char*> cases[] = {
        {"", "|||||"},
        {"host.tld", "|||host.tld||"},
        {"http://user:pa:ss@host.tld:8080/a/b?x", "http|user|pa:ss|host.tld|8080|/a/b?x"},
        {"HTTP://Host.TLD/Dir/", "HTTP|||Host.TLD||/Dir/"},
        {"/only/path", "http|||||/only/path"},
        {"//host/x", "http|||||/host/x"},
        {"/", "http|||||"},
        {"http:dir/file", "http|||||dir/file"},
        {"HTTP:/x", "http|||||/x"},
        {"http://", "http|||||"},
        {"mailto:someone@example.org", "mailto|someone||example.org||"},
        {"h:81", "|||h|81|"},
        {"a@b", "|a||b||"},
        {"u@h:81/p", "|u||h|81|/p"},
        {"ftp://a:b@c/d:e@f", "ftp|a|b|c||/d:e@f"},
        {"http://host:/", "http|||host||/"},
        {"http://u:@host", "http|u||host||"},
        {"http://[::1]/x", "http|||[::1]||/x"},
        {"http://[::1]:8080", "http|||[::1]|8080|"},
        {"u:p@[fe80::1]:81/p", "|u|p|[fe80::1]|81|/p"}};
    for (const auto& [url, parts] : cases) {
        std::string proto = "x", user = "x", pass = "x", host = "x", port = "x", path = "x";
        ParseURL(url, proto, user, pass, host, port, path);
        EXPECT_EQ(proto + "|" + user + "|" + pass + "|" + host + "|" + port + "|" + path, parts)
            << url;
    }
}

TEST(DocNameTest, GuessesFileNameFromPathAndContentType) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "document.htm"},
        {"/", "document.htm"},
        {"/a/b?x", "b"},
        {"/dir/", "dir"},
        {"/dir//", ""},
        {"/index.html", "index.html"},
        {"/cgi/run.exe?a=1", "run.exe"},
        {"relative", "relative"},
        {"/" + std::string(300, 'n'), std::string(255, 'n')},
        // The name is cut to 255 characters before the query goes.
        {"/" + std::string(250, 'n') + "?query", std::string(250, 'n')}};
    for (const auto& [path, docName] : cases)
        EXPECT_EQ(DocNameFromPath(path), docName) << path;
    EXPECT_EQ(DocNameForContentType("setup.EXE", "text/html"), "setup.htm");
    EXPECT_EQ(DocNameForContentType("setup.exe", "application/octet-stream"), "setup.exe");
    EXPECT_EQ(DocNameForContentType("page.html", "text/html"), "page.html");
    EXPECT_EQ(DocNameForContentType("exe", "text/html"), "exe");
}

// HostName|Port|Host value|Path|Location of a hop, or why it leads nowhere.
std::string Parts(const THttpTarget& t) {
    if (t.FailureCode != 0)
        return "failed " + std::to_string(t.FailureCode) + ": " + t.FailureReason;
    return t.HostName + "|" + t.Port + "|" + HostHeaderValue(t.Uri) + "|" + t.Path + "|" +
           t.Location;
}

// Every request through "proxy.lan:3128".
TProxyChoice ThroughProxy(const TUri&) {
    return ParseProxyValue("proxy.lan:3128");
}

TProxyChoice Direct(const TUri&) {
    return {};
}

TEST(HttpTargetTest, FirstHopDirectOrThroughProxy) {
    THttpTarget t = TargetForAddress("host.tld", Direct);
    EXPECT_EQ(Parts(t), "host.tld|80|host.tld|/|host.tld");
    EXPECT_EQ(t.DocName, "document.htm");
    t = TargetForAddress("http://u:p@H:8080/a/b?x#f", Direct);
    EXPECT_EQ(Parts(t), "h|8080|h:8080|/a/b?x|http://u:p@H:8080/a/b?x#f");
    EXPECT_EQ(t.DocName + "|" + t.Uri.User + "|" + t.Uri.Password, "b|u|p");
    t = TargetForAddress("h:8080/a", ThroughProxy);
    EXPECT_EQ(Parts(t), "proxy.lan|3128|h:8080|http://h:8080/a|h:8080/a");
    EXPECT_EQ(t.DocName, "a");
    // Over TLS the request goes through a tunnel, as if direct.
    EXPECT_EQ(Parts(TargetForAddress("https://h/x", ThroughProxy)),
              "proxy.lan|3128|h|/x|https://h/x");
    EXPECT_EQ(Parts(TargetForAddress("HTTPS://h", Direct)), "h|443|h|/|HTTPS://h");
    EXPECT_EQ(Parts(TargetForAddress("b\xC3\xBC"
                                     "cher.example/\xC3\xA4",
                                     Direct)),
              "xn--bcher-kva.example|80|xn--bcher-kva.example|/%C3%A4|b\xC3\xBC"
              "cher.example/\xC3\xA4");
}

// Each row: an address and why no request goes out for it.
TEST(HttpTargetTest, AddressesThatLeadNowhere) {
    using namespace std::string_literals;
    const std::pair<std::string, std::string> cases[] = {
        {"", "failed 10022: can't resolve hostname to IP address"},
        {"/only/path", "failed 10022: can't resolve hostname to IP address"},
        {"http:dir/file", "failed 10022: can't resolve hostname to IP address"},
        {"   ", "failed 10022: can't resolve hostname to IP address"},
        {"http://[::g]/", "failed 10022: can't resolve hostname to IP address"},
        {"h:99999/", "failed 9: invalid port number"},
        {"ftp://h/", "failed 10: unsupported protocol"},
        {"http://-\xC3\xBC.de/",
         "failed 10022: can't resolve hostname to IP address: string start/ends with forbidden "
         "hyphen"},
        // Such an address could end or split the request line or the "Host: " line.
        {"http://h/a\r\nX-Injected: 1"s, "failed 10022: can't resolve hostname to IP address"},
        {"http://h\0x/"s, "failed 10022: can't resolve hostname to IP address"},
        {"h/\x7f"s, "failed 10022: can't resolve hostname to IP address"}};
    for (const auto& [url, parts] : cases)
        for (const TProxyChooser& proxy : {TProxyChooser(Direct), TProxyChooser(ThroughProxy)})
            EXPECT_EQ(Parts(TargetForAddress(url, proxy)), parts) << testing::PrintToString(url);
    EXPECT_EQ(Parts(TargetForAddress("h", [](const TUri&) { return ParseProxyValue("ftp://p"); })),
              "failed 14: unsupported proxy scheme \"ftp\"");
}

// Each case: a "location" followed from http://origin:8080/dir/start,
// directly or through proxy.lan:3128.
TEST(HttpTargetTest, FollowsLocation) {
    const std::tuple<bool, const char*, const char*> cases[] = {
        {false, "/x", "origin|8080|origin:8080|/x|http://origin:8080/x"},
        {false, "http://other:81/y", "other|81|other:81|/y|http://other:81/y"},
        {false, "http://other", "other|80|other|/|http://other"},
        {false, "word", "origin|8080|origin:8080|/dir/word|http://origin:8080/dir/word"},
        {false, "../up.html#top",
         "origin|8080|origin:8080|/up.html|http://origin:8080/up.html#top"},
        {false, "?q=2", "origin|8080|origin:8080|/dir/start?q=2|http://origin:8080/dir/start?q=2"},
        {false, "//same/z", "same|80|same|/z|http://same/z"},
        {false, "https://other/y", "other|443|other|/y|https://other/y"},
        {false,
         "//b\xC3\xBC"
         "cher.example/",
         "xn--bcher-kva.example|80|xn--bcher-kva.example|/|http://xn--bcher-kva.example/"},
        {false, "ftp://other/", "failed 10: unsupported protocol"},
        {false, "http:///z", "failed 10022: can't resolve hostname to IP address"},
        {false, "http://[::1]:81/y", "::1|81|[::1]:81|/y|http://[::1]:81/y"},
        {true, "http://[::1]:81/y", "proxy.lan|3128|[::1]:81|http://[::1]:81/y|http://[::1]:81/y"},
        {true, "/x", "proxy.lan|3128|origin:8080|http://origin:8080/x|http://origin:8080/x"},
        {true, "http://other:81/y", "proxy.lan|3128|other:81|http://other:81/y|http://other:81/y"},
        {true, "word",
         "proxy.lan|3128|origin:8080|http://origin:8080/dir/word|"
         "http://origin:8080/dir/word"},
        {true, "https://other/y", "proxy.lan|3128|other|/y|https://other/y"}};
    for (const auto& [viaProxy, location, parts] : cases) {
        const TProxyChooser proxy = viaProxy ? TProxyChooser(ThroughProxy) : TProxyChooser(Direct);
        const THttpTarget from = TargetForAddress("http://origin:8080/dir/start", proxy);
        const THttpTarget to = TargetForLocation(from, ParseReference(location).Uri, proxy);
        EXPECT_EQ(Parts(to), parts) << location << (viaProxy ? " via proxy" : "");
        EXPECT_EQ(to.DocName, "start");
    }
    EXPECT_TRUE(IsSupportedScheme("hTTp") && IsSupportedScheme("HTTPS"));
    EXPECT_FALSE(IsSupportedScheme("ftp") || IsSupportedScheme("mailto"));
    for (const int status : {300, 301, 302, 303, 307, 308, 399})
        EXPECT_TRUE(FollowsLocation(status)) << status;
    for (const int status : {0, 200, 201, 299, 304, 400, 404})
        EXPECT_FALSE(FollowsLocation(status)) << status;
}

// One row of a table over strings: its name, what goes in, what comes out.
struct TTextCase {
    const char* Name;
    std::string Input;
    std::string Expected;
};

std::string RowName(const testing::TestParamInfo<TTextCase>& info) {
    return info.param.Name;
}

void PrintTo(const TTextCase& row, std::ostream* os) {
    *os << testing::PrintToString(row.Input);
}

std::string UriErrorText(TUriError error) {
    return error == TUriError::InvalidPort ? "invalid port" : "invalid host";
}

// scheme|user|pass|host|port|path|?query|#fragment, the last two only when present.
std::string UriParts(const TUriParse& parsed) {
    if (parsed.Error != TUriError::None)
        return UriErrorText(parsed.Error);
    const TUri& u = parsed.Uri;
    return u.Scheme + "|" + u.User + "|" + u.Password + "|" + HostForUri(u) + "|" + u.Port + "|" +
           u.Path + "|" + (u.HasQuery ? "?" + u.Query : "") + "|" +
           (u.HasFragment ? "#" + u.Fragment : "");
}

class TypedAddress : public testing::TestWithParam<TTextCase> {};

TEST_P(TypedAddress, SplitsByRfc3986WithHttpAsDefault) {
    EXPECT_EQ(UriParts(ParseTypedAddress(GetParam().Input)), GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Uri, TypedAddress,
    testing::Values(
        TTextCase{"BareHost", "host.tld", "http|||host.tld||||"},
        TTextCase{"PortBeforePath", "host:8080/x", "http|||host|8080|/x||"},
        TTextCase{"PortBeforeQuery", "http://host:8080?x=1", "http|||host|8080||?x=1|"},
        TTextCase{"PortBeforeFragment", "host:8080#top", "http|||host|8080|||#top"},
        TTextCase{"SchemeAndHostLowerCased", "HTTPS://Host.TLD/Dir/", "https|||host.tld||/Dir/||"},
        TTextCase{"AtInQueryIsNoUser", "http://h:81/x?mail=a@b", "http|||h|81|/x|?mail=a@b|"},
        TTextCase{"UserEndsAtLastAt", "user:p@ss@host/x", "http|user|p@ss|host||/x||"},
        TTextCase{"ColonInPassword", "http://u:pa:ss@h", "http|u|pa:ss|h||||"},
        TTextCase{"EmptyQueryIsPresent", "h/?", "http|||h||/|?|"},
        TTextCase{"EmptyPortNamesNone", "http://host:/", "http|||host||/||"},
        TTextCase{"PortLosesLeadingZeros", "h:0080", "http|||h|80|||"},
        TTextCase{"SchemeNeedsSlash", "ftp:x@y", "http|ftp|x|y||||"},
        TTextCase{"MailtoWithoutSlash", "mailto:x@y", "mailto|||||x@y||"},
        TTextCase{"HttpWithoutSlash", "HTTP:dir/file", "http|||||dir/file||"},
        TTextCase{"NoAuthorityWithoutTwoSlashes", "http:/x", "http|||||/x||"},
        TTextCase{"Ipv6Literal", "[::1]", "http|||[::1]||||"},
        TTextCase{"Ipv6LiteralWithPort", "http://[FE80::1]:8080/a", "http|||[fe80::1]|8080|/a||"},
        TTextCase{"PortZero", "h:0", "invalid port"},
        TTextCase{"PortTooHigh", "h:65536", "invalid port"},
        TTextCase{"PortNotDigits", "host:8o/x", "invalid port"},
        TTextCase{"TwoPorts", "h:1:2", "invalid port"},
        TTextCase{"Ipv6Unclosed", "http://[::1/x", "invalid host"},
        TTextCase{"Ipv6NotAnAddress", "[::g]", "invalid host"},
        TTextCase{"Ipv4InBrackets", "[127.0.0.1]", "invalid host"},
        TTextCase{"TextAfterBracket", "[::1]x", "invalid host"}),
    RowName);

// Each row: a base, a reference and where the reference leads.
struct TResolveCase {
    const char* Name;
    const char* Base;
    const char* Reference;
    const char* Target;
};

void PrintTo(const TResolveCase& row, std::ostream* os) {
    *os << row.Reference << " from " << row.Base;
}

class ReferenceResolution : public testing::TestWithParam<TResolveCase> {};

TEST_P(ReferenceResolution, LeadsWhereRfc3986Says) {
    const TUriParse reference = ParseReference(GetParam().Reference);
    const std::string target =
        reference.Error == TUriError::None
            ? UriText(Resolve(ParseTypedAddress(GetParam().Base).Uri, reference.Uri))
            : UriErrorText(reference.Error);
    EXPECT_EQ(target, GetParam().Target);
}

constexpr char kRfcBase[] = "http://a/b/c/d;p?q";
constexpr char kPage[] = "http://origin:8080/dir/page.html?old";

INSTANTIATE_TEST_SUITE_P(
    Uri, ReferenceResolution,
    testing::Values(
        // RFC 3986 section 5.4.1
        TResolveCase{"OtherScheme", kRfcBase, "g:h", "g:h"},
        TResolveCase{"Segment", kRfcBase, "g", "http://a/b/c/g"},
        TResolveCase{"DotSegment", kRfcBase, "./g", "http://a/b/c/g"},
        TResolveCase{"SegmentSlash", kRfcBase, "g/", "http://a/b/c/g/"},
        TResolveCase{"AbsolutePathG", kRfcBase, "/g", "http://a/g"},
        TResolveCase{"NetworkPath", kRfcBase, "//g", "http://g"},
        TResolveCase{"QueryY", kRfcBase, "?y", "http://a/b/c/d;p?y"},
        TResolveCase{"SegmentQuery", kRfcBase, "g?y", "http://a/b/c/g?y"},
        TResolveCase{"FragmentS", kRfcBase, "#s", "http://a/b/c/d;p?q#s"},
        TResolveCase{"SegmentFragment", kRfcBase, "g#s", "http://a/b/c/g#s"},
        TResolveCase{"SegmentQueryFragment", kRfcBase, "g?y#s", "http://a/b/c/g?y#s"},
        TResolveCase{"Parameter", kRfcBase, ";x", "http://a/b/c/;x"},
        TResolveCase{"SegmentParameter", kRfcBase, "g;x", "http://a/b/c/g;x"},
        TResolveCase{"SegmentParameterQueryFragment", kRfcBase, "g;x?y#s", "http://a/b/c/g;x?y#s"},
        TResolveCase{"Empty", kRfcBase, "", "http://a/b/c/d;p?q"},
        TResolveCase{"Dot", kRfcBase, ".", "http://a/b/c/"},
        TResolveCase{"DotSlash", kRfcBase, "./", "http://a/b/c/"},
        TResolveCase{"DotDot", kRfcBase, "..", "http://a/b/"},
        TResolveCase{"DotDotSlash", kRfcBase, "../", "http://a/b/"},
        TResolveCase{"DotDotG", kRfcBase, "../g", "http://a/b/g"},
        TResolveCase{"TwoUp", kRfcBase, "../..", "http://a/"},
        TResolveCase{"TwoUpSlash", kRfcBase, "../../", "http://a/"},
        TResolveCase{"TwoUpG", kRfcBase, "../../g", "http://a/g"},
        // RFC 3986 section 5.4.2
        TResolveCase{"ThreeUpStopsAtRoot", kRfcBase, "../../../g", "http://a/g"},
        TResolveCase{"FourUpStopsAtRoot", kRfcBase, "../../../../g", "http://a/g"},
        TResolveCase{"RootDot", kRfcBase, "/./g", "http://a/g"},
        TResolveCase{"RootDotDot", kRfcBase, "/../g", "http://a/g"},
        TResolveCase{"TrailingDot", kRfcBase, "g.", "http://a/b/c/g."},
        TResolveCase{"LeadingDot", kRfcBase, ".g", "http://a/b/c/.g"},
        TResolveCase{"TrailingDotDot", kRfcBase, "g..", "http://a/b/c/g.."},
        TResolveCase{"LeadingDotDot", kRfcBase, "..g", "http://a/b/c/..g"},
        TResolveCase{"DotThenUp", kRfcBase, "./../g", "http://a/b/g"},
        TResolveCase{"DotAtEnd", kRfcBase, "./g/.", "http://a/b/c/g/"},
        TResolveCase{"DotInside", kRfcBase, "g/./h", "http://a/b/c/g/h"},
        TResolveCase{"UpInside", kRfcBase, "g/../h", "http://a/b/c/h"},
        TResolveCase{"DotAfterParameter", kRfcBase, "g;x=1/./y", "http://a/b/c/g;x=1/y"},
        TResolveCase{"UpAfterParameter", kRfcBase, "g;x=1/../y", "http://a/b/c/y"},
        TResolveCase{"DotInQuery", kRfcBase, "g?y/./x", "http://a/b/c/g?y/./x"},
        TResolveCase{"UpInQuery", kRfcBase, "g?y/../x", "http://a/b/c/g?y/../x"},
        TResolveCase{"DotInFragment", kRfcBase, "g#s/./x", "http://a/b/c/g#s/./x"},
        TResolveCase{"UpInFragment", kRfcBase, "g#s/../x", "http://a/b/c/g#s/../x"},
        TResolveCase{"OwnSchemeIsRelative", kRfcBase, "http:g", "http://a/b/c/g"},
        // "location" values servers send
        TResolveCase{"TwoSegments", kPage, "x/y", "http://origin:8080/dir/x/y"},
        TResolveCase{"ParentFile", kPage, "../up.html", "http://origin:8080/up.html"},
        TResolveCase{"DotSlashName", kPage, "./n", "http://origin:8080/dir/n"},
        TResolveCase{"Sibling", kPage, "sibling.html", "http://origin:8080/dir/sibling.html"},
        TResolveCase{"QueryOnly", kPage, "?q=2", "http://origin:8080/dir/page.html?q=2"},
        TResolveCase{"FragmentOnly", kPage, "#frag", "http://origin:8080/dir/page.html?old#frag"},
        TResolveCase{"SchemeRelative", kPage, "//host/p", "http://host/p"},
        TResolveCase{"SchemeRelativeKeepsHttps", "https://s/x", "//h/p", "https://h/p"},
        TResolveCase{"RootPath", kPage, "/abs", "http://origin:8080/abs"},
        TResolveCase{"OtherServer", kPage, "HTTPS://Other/x", "https://other/x"},
        TResolveCase{"ColonAfterQueryMark", kPage, "login?next=https://other.example/",
                     "http://origin:8080/dir/login?next=https://other.example/"},
        TResolveCase{"DigitFirstIsNoScheme", kPage, "1a:b", "http://origin:8080/dir/1a:b"},
        TResolveCase{"HostWithoutPath", "http://h", "x", "http://h/x"},
        TResolveCase{"Ipv6WithUser", kPage, "http://u:p@[::1]:81/x?q#f",
                     "http://u:p@[::1]:81/x?q#f"},
        TResolveCase{"BadPort", kPage, "//h:99999/", "invalid port"}),
    [](const testing::TestParamInfo<TResolveCase>& info) { return info.param.Name; });

class RequestForms : public testing::TestWithParam<TTextCase> {};

// request target|Host value|absolute form for a proxy
TEST_P(RequestForms, TargetHostAndAbsoluteForm) {
    const TUriParse parsed = ParseTypedAddress(GetParam().Input);
    ASSERT_EQ(parsed.Error, TUriError::None);
    EXPECT_EQ(RequestTarget(parsed.Uri) + "|" + HostHeaderValue(parsed.Uri) + "|" +
                  AbsoluteRequestTarget(parsed.Uri),
              GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Uri, RequestForms,
    testing::Values(
        TTextCase{"Port80KeepsTheBareHost", "http://host.tld:80/a",
                  "/a|host.tld|http://host.tld/a"},
        TTextCase{"NoPathAsksForRoot", "host.tld", "/|host.tld|http://host.tld/"},
        TTextCase{"OtherPortNamed", "h:8080/x?y", "/x?y|h:8080|http://h:8080/x?y"},
        TTextCase{"HttpsOn443", "https://h:443", "/|h|https://h/"},
        TTextCase{"HttpOn443", "http://h:443/", "/|h:443|http://h:443/"},
        TTextCase{"HttpsOn80", "https://h:80/", "/|h:80|https://h:80/"},
        TTextCase{"FragmentNeverSent", "http://h/a.txt#top", "/a.txt|h|http://h/a.txt"},
        TTextCase{"EmptyQueryKept", "h/?", "/?|h|http://h/?"},
        TTextCase{"Ipv6InBrackets", "http://[::1]:8080", "/|[::1]:8080|http://[::1]:8080/"},
        TTextCase{"BlankAndUmlautEncoded", "h/a b/\xC3\xA4.txt?q=\xC3\xA4 x",
                  "/a%20b/%C3%A4.txt?q=%C3%A4%20x|h|http://h/a%20b/%C3%A4.txt?q=%C3%A4%20x"},
        TTextCase{"EscapesStayLoneSignsEncoded", "h/%41%zz%",
                  "/%41%25zz%25|h|http://h/%41%25zz%25"},
        TTextCase{"UnsafeSignsEncoded", "h/\"<>\\^`{|}",
                  "/%22%3C%3E%5C%5E%60%7B%7C%7D|h|"
                  "http://h/%22%3C%3E%5C%5E%60%7B%7C%7D"},
        TTextCase{"ControlNeverRaw", "h/a\r\nb\x7f", "/a%0D%0Ab%7F|h|http://h/a%0D%0Ab%7F"},
        TTextCase{"UserInfoNotSent", "http://u:p@h/", "/|h|http://h/"}),
    RowName);

class HostNames : public testing::TestWithParam<TTextCase> {};

// The A-label form, or the reason why IDNA refuses the name.
TEST_P(HostNames, BecomeTheirALabel) {
    const TAsciiHost ascii = HostToAscii(GetParam().Input);
    EXPECT_EQ(ascii.Error.empty() ? ascii.Host : "refused: " + ascii.Error, GetParam().Expected);
}

INSTANTIATE_TEST_SUITE_P(
    Idna, HostNames,
    testing::Values(TTextCase{"AsciiLowerCased", "Host.TLD", "host.tld"},
                    TTextCase{"AsciiUnderscoreKept", "my_host.lan", "my_host.lan"},
                    TTextCase{"Umlaut",
                              "b\xC3\xBC"
                              "cher.example",
                              "xn--bcher-kva.example"},
                    TTextCase{"UmlautCapitals",
                              "B\xC3\xBC"
                              "cher.Example",
                              "xn--bcher-kva.example"},
                    TTextCase{"Cyrillic",
                              "\xD0\xBF\xD1\x80\xD0\xB8\xD0\xBC\xD0\xB5\xD1\x80.\xD1\x80\xD1\x84",
                              "xn--e1afmkfd.xn--p1ai"},
                    TTextCase{"SharpSNotMappedToSs", "fa\xC3\x9F.de", "xn--fa-hia.de"},
                    TTextCase{"UnderscoreBesideUmlaut",
                              "a_b.b\xC3\xBC"
                              "cher.example",
                              "a_b.xn--bcher-kva.example"},
                    TTextCase{"LeadingHyphen", "-\xC3\xBC.de",
                              "refused: string start/ends with forbidden hyphen"},
                    TTextCase{"Blank", "\xC3\xBC b.de", "refused: A-label roundtrip failed"},
                    TTextCase{"NotUtf8", "\xC3", "refused: string encoding error"},
                    TTextCase{"NulInside", std::string("\xC3\xBC\0.evil", 7),
                              "refused: host name holds a control character"},
                    TTextCase{"TooLong", std::string(kMaxIdnaHostBytes + 1, '\xE4'),
                              "refused: host name too long"}),
    RowName);

} // namespace
