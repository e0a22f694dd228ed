// ParseURL and the request set-up, directly and through a proxy, and after a
// redirection to a "location" value: whatever the address holds, the request line never carries CR,
// LF or NUL, and no header line carries CR or LF.
#include <fuzzer/FuzzedDataProvider.h>

#include <cstdint>
#include <string>

#include "http/http_target.h"
#include "http/request_header.h"
#include "http/response_parsing.h"
#include "http/url.h"

namespace {

bool HoldsAny(const std::string& Line, const std::string& Bytes) {
    return Line.find_first_of(Bytes) != std::string::npos;
}

void CheckRequest(const THttpTarget& Target, bool ViaProxy) {
    TRequestHeaderFields Fields;
    Fields.Method = "GET";
    Fields.Path = Target.Path;
    Fields.Version = "1.0";
    Fields.TargetHost = Target.TargetHost;
    Fields.Username = Target.UrlUsername;
    Fields.Password = Target.UrlPassword;
    Fields.ViaProxy = ViaProxy;
    const auto Lines = ComposeRequestLines(Fields);
    if (Lines.empty() || HoldsAny(Lines.front(), std::string("\r\n\0", 3)))
        __builtin_trap();
    for (const std::string& Line : Lines)
        if (HoldsAny(Line, "\r\n"))
            __builtin_trap();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* Data, std::size_t Size) {
    FuzzedDataProvider Provider(Data, Size);
    const bool ViaProxy = Provider.ConsumeBool();
    const std::string Url = Provider.ConsumeRandomLengthString();
    const std::string Location = Provider.ConsumeRemainingBytesAsString();

    std::string Proto, User, Pass, Host, Port, Path;
    ParseURL(Url, Proto, User, Pass, Host, Port, Path);
    (void)DocNameFromPath(Path);

    THttpTarget Target = TargetForRequest(Url, ViaProxy ? "127.0.0.1:3128" : "", "80");
    CheckRequest(Target, ViaProxy);
    // The client follows only what RedirectionTarget makes of a "location".
    if (const auto Fit = RedirectionTarget(Location)) {
        FollowLocation(Target, *Fit, ViaProxy);
        CheckRequest(Target, ViaProxy);
    }
    return 0;
}
