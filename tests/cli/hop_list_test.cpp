#include "cli/hop_list.h"

#include "tests/support/hop_records.h"

#include <gtest/gtest.h>

namespace {

using namespace testsupport;

TEST(HopList, OneLinePerHopThenTheFinalAddress) {
    const struct {
        const char* Name;
        THttpReportInput Input;
        const char* Text;
    } cases[] = {
        {"RedirectionChain", RedirectChain(),
         "1  301 Moved Permanently  http://127.0.0.1:8080/a -> http://127.0.0.1:8080/b  1.4 ms\n"
         "2  302 Moved Temporarily  http://127.0.0.1:8080/b -> http://127.0.0.1:8080/c  1.4 ms\n"
         "3  200 OK  http://127.0.0.1:8080/c  1.4 ms\n"
         "Endgültige Adresse: http://127.0.0.1:8080/c\n"},
        {"Refused", Refused(),
         "1  Fehler: can't connect: Connection refused (Error #10061)  http://127.0.0.1:9/  0.4 "
         "ms\n"
         "Endgültige Adresse: http://127.0.0.1:9/\n"},
        {"TlsFailure", TlsFailure(),
         "1  Fehler: TLS handshake failed: certificate verify failed (unable to get local issuer "
         "certificate) (Error #20100)  https://localhost:8443/  3.9 ms\n"
         "Endgültige Adresse: https://localhost:8443/\n"},
        {"TooManyRedirections", TooManyRedirections(),
         "1  301 Moved Permanently  http://127.0.0.1:8080/a -> http://127.0.0.1:8080/b  1.4 ms\n"
         "2  Fehler: too many redirections  http://127.0.0.1:8080/b -> http://127.0.0.1:8080/c  "
         "1.4 ms\n"
         "Endgültige Adresse: http://127.0.0.1:8080/b\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        EXPECT_EQ(HopListText(c.Input).toStdString(), c.Text);
    }
}

} // namespace
