#pragma once

// Kinds of request; httpAbort is the value before the first request.
enum class THttpRequest { httpAbort, httpGET, httpPOST, httpHEAD };

// States of the client; only httpReady accepts a new request.
enum class THttpState {
    httpReady,
    httpNotConnected,
    httpConnected,
    httpDnsLookup,
    httpDnsLookupDone,
    httpWaitingHeader,
    httpWaitingBody,
    httpAborting
};

// Encodings of EncodeLine; encBase64 and encMime are the same Base64.
enum class THttpEncoding { encUUEncode, encBase64, encMime };
