// ParseURL, and the request set-up of a typed address read by RFC 3986,
// directly and through a proxy, then after a redirection to a "location"
// value resolved against it: whatever the address and the value hold, the
// request line never carries CR, LF or NUL, and no header line carries CR or
// LF.
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

void CheckRequest(const THttpTarget& Target) {
    // A hop that leads nowhere sends nothing.
    if (Target.FailureCode != 0)
        return;
    TRequestHeaderFields Fields;
    Fields.Method = "GET";
    Fields.Path = Target.Path;
    Fields.Version = "1.0";
    Fields.Host = HostHeaderValue(Target.Uri);
    Fields.Username = PercentDecode(Target.Uri.User);
    Fields.Password = PercentDecode(Target.Uri.Password);
    Fields.ViaProxy = Target.Proxy.Kind == TProxyKind::Http;
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

    const TProxyChooser Proxy = [ViaProxy](const TUri&) {
        return ViaProxy ? ParseProxyValue("127.0.0.1:3128") : TProxyChoice{};
    };
    const THttpTarget Target = TargetForAddress(Url, Proxy);
    CheckRequest(Target);
    // The client follows only what RedirectionTarget makes of a "location",
    // and only when it reads as a reference.
    const auto Fit = RedirectionTarget(Location);
    const TUriParse Reference = Fit ? ParseReference(*Fit) : TUriParse{};
    if (Target.FailureCode == 0 && Fit && Reference.Error == TUriError::None)
        CheckRequest(TargetForLocation(Target, Reference.Uri, Proxy));
    return 0;
}
