#include <gtest/gtest.h>

#include <cstdio>
#include <utility>
#include <vector>

#include "http/cookie_date.h"
#include "http/cookie_jar.h"

namespace {

using namespace std::chrono_literals;

const TCookieJar::TTime kNow = std::chrono::sys_days(std::chrono::year(2024) / 1 / 15) + 12h;

TUri Address(const std::string& text) {
    return ParseTypedAddress(text).Uri;
}

// Set-Cookie values received from addresses, then the "Cookie: " value of a
// later request, `LaterBy` after them.
struct TCookieCase {
    const char* Name;
    std::vector<std::pair<std::string, std::string>> Received; // address, Set-Cookie value
    std::string Asked;
    std::string Expected;
    std::chrono::seconds LaterBy{0};
};

void PrintTo(const TCookieCase& row, std::ostream* os) {
    *os << row.Name;
}

class CookieJar : public testing::TestWithParam<TCookieCase> {};

TEST_P(CookieJar, GivesBackWhatMatches) {
    TCookieJar jar;
    for (const auto& [address, value] : GetParam().Received)
        jar.Store(value, Address(address), kNow);
    EXPECT_EQ(jar.CookieHeader(Address(GetParam().Asked), kNow + GetParam().LaterBy),
              GetParam().Expected);
}

const std::string kEpoch = "Expires=Thu, 01 Jan 1970 00:00:00 GMT";

INSTANTIATE_TEST_SUITE_P(
    Cookies, CookieJar,
    testing::Values(
        TCookieCase{
            "HostOnlyBackToItsHost", {{"http://a.example/x", "id=1"}}, "a.example:81/y", "id=1"},
        TCookieCase{"HostOnlyNotBelow", {{"http://example.com/", "id=1"}}, "www.example.com", ""},
        TCookieCase{"DomainCoversBelow",
                    {{"http://www.example.com/", "id=1; Domain=.Example.COM"}},
                    "shop.example.com",
                    "id=1"},
        TCookieCase{"ForeignDomainDropsTheCookie",
                    {{"http://a.example/", "id=1; Domain=other.example"}},
                    "a.example",
                    ""},
        TCookieCase{"OneLabelDomainDropped",
                    {{"http://a.example/", "id=1; Domain=example"}},
                    "b.example",
                    ""},
        TCookieCase{"OneLabelHostItself",
                    {{"http://localhost/", "id=1; Domain=localhost"}},
                    "localhost",
                    "id=1"},
        TCookieCase{"IpAddressHostOnly",
                    {{"http://127.0.0.1/", "id=1; Domain=127.0.0.1"}},
                    "127.0.0.1:8080",
                    "id=1"},
        TCookieCase{
            "IpAddressNoSuffix", {{"http://127.0.0.1/", "id=1; Domain=0.0.1"}}, "127.0.0.1", ""},
        TCookieCase{"DefaultPathCoversDirectory", {{"h/dir/page", "id=1"}}, "h/dir", "id=1"},
        TCookieCase{"DefaultPathNotOutside", {{"h/dir/page", "id=1"}}, "h/other", ""},
        TCookieCase{"PathPrefixEndsAtSlash", {{"h/", "id=1; Path=/dir"}}, "h/dirx", ""},
        TCookieCase{"RelativePathIsDefault", {{"h/a/b", "id=1; Path=x"}}, "h/a/c", "id=1"},
        TCookieCase{"LongerPathFirstThenOlder",
                    {{"h/a/b/c", "a=1; Path=/"}, {"h/a/b/c", "b=2; Path=/a/b"}, {"h/", "c=3"}},
                    "h/a/b/x",
                    "b=2; a=1; c=3"},
        TCookieCase{"SecureNotOverHttp", {{"https://h/", "s=1; Secure"}}, "http://h/", ""},
        TCookieCase{"SecureOverHttps", {{"https://h/", "s=1; Secure"}}, "https://h/", "s=1"},
        TCookieCase{"SecureFromHttpDropped", {{"http://h/", "s=1; Secure"}}, "https://h/", ""},
        TCookieCase{"MaxAgeZeroRemoves", {{"h", "a=1"}, {"h", "a=2; Max-Age=0"}}, "h", ""},
        TCookieCase{"PastExpiresRemoves", {{"h", "a=1"}, {"h", "a=1; " + kEpoch}}, "h", ""},
        TCookieCase{"MaxAgeBeforeExpires", {{"h", "a=1; Max-Age=60; " + kEpoch}}, "h", "a=1"},
        TCookieCase{"MaxAgeRunsOut", {{"h", "a=1; Max-Age=60"}}, "h", "", 60s},
        TCookieCase{"ExpiresRunsOut", {{"h", "a=1; Expires=15 Jan 2024 12:00:30"}}, "h", "", 30s},
        TCookieCase{"LifeHeldTo400Days",
                    {{"h", "a=1; Max-Age=99999999999999999999999"}},
                    "h",
                    "",
                    std::chrono::days(400)},
        TCookieCase{"BadMaxAgeIgnored", {{"h", "a=1; Max-Age=1x"}}, "h", "a=1", 3600s},
        TCookieCase{
            "ReplacedKeepsItsPlace", {{"h", "a=1"}, {"h", "b=2"}, {"h", "a=3"}}, "h", "a=3; b=2"},
        TCookieCase{
            "BlanksTrimmedOthersIgnored", {{"h", " a = 1 ;\tPath = / ; HttpOnly"}}, "h", "a=1"},
        TCookieCase{"NoEqualsDropped", {{"h", "flag; Path=/"}}, "h", ""},
        TCookieCase{"EmptyNameDropped", {{"h", "=1"}}, "h", ""},
        TCookieCase{"ControlInValueDropped", {{"h", "a=x\ty"}, {"h", "b=\x7f"}}, "h", ""},
        TCookieCase{"AtTheSizeBoundKept",
                    {{"h", "a=" + std::string(kMaxCookieBytes - 2, 'x')}},
                    "h",
                    "a=" + std::string(kMaxCookieBytes - 2, 'x')},
        TCookieCase{"OverTheSizeBoundDropped",
                    {{"h", "a=1; Path=/" + std::string(kMaxCookieBytes, 'x')}},
                    "h",
                    ""}),
    [](const testing::TestParamInfo<TCookieCase>& info) { return info.param.Name; });

TEST(CookieJarBound, AFullJarEvictsTheCookieCreatedFirst) {
    TCookieJar jar;
    std::string expected;
    for (std::size_t i = 0; i <= kMaxCookies; ++i) {
        const std::string cookie = "c" + std::to_string(i) + "=1";
        jar.Store(cookie, Address("h"), kNow);
        if (i > 0)
            expected += (expected.empty() ? "" : "; ") + cookie;
    }
    EXPECT_EQ(jar.CookieHeader(Address("h"), kNow), expected);
}

// "YYYY-MM-DD hh:mm:ss" of a date, "none" when it is not one.
std::string DateText(const std::string& text) {
    const auto time = ParseCookieDate(text);
    if (!time)
        return "none";
    const auto days = std::chrono::floor<std::chrono::days>(*time);
    const std::chrono::year_month_day date(days);
    const std::chrono::hh_mm_ss clock(*time - days);
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%04d-%02u-%02u %02ld:%02ld:%02ld", int(date.year()),
                  unsigned(date.month()), unsigned(date.day()), long(clock.hours().count()),
                  long(clock.minutes().count()), long(clock.seconds().count()));
    return buffer;
}

TEST(CookieDate, ReadsTheTokensInAnyForm) {
    const std::pair<const char*, const char*> cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", "1994-11-06 08:49:37"},
        {"Sunday, 06-Nov-94 08:49:37 GMT", "1994-11-06 08:49:37"},
        {"Sun Nov  6 08:49:37 1994", "1994-11-06 08:49:37"},
        {"08:49:37 1994 nov 6", "1994-11-06 08:49:37"},
        {"6 November 2069 8:9:7", "2069-11-06 08:09:07"},
        {"06 Nov 69 08:49:37", "2069-11-06 08:49:37"},
        {"06 Nov 70 08:49:37", "1970-11-06 08:49:37"},
        {"Sun, 06 Nov 1994", "none"},
        {"06 Nov 1994 24:00:00", "none"},
        {"06 Nov 1994 08:60:00", "none"},
        {"31 Feb 2024 00:00:00", "none"},
        {"01 Jan 1600 00:00:00", "none"},
        {"123 Nov 1994 08:49:37", "none"},
        {"", "none"}};
    for (const auto& [text, expected] : cases)
        EXPECT_EQ(DateText(text), expected) << text;
}

} // namespace
