#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "core/CloudSetupText.h"

namespace zelv::platform {

using THttpHeaders = std::vector<std::pair<UString, UString>>;

inline constexpr size_t OneMiB = 1048576;

struct THttpRequest {
    UString Method = u"GET";
    UString Url;                 // absolute http:// or https:// URL
    THttpHeaders Headers;        // sent in this order
    std::string Body;            // bytes sent as they are
    // Time-outs in milliseconds; a negative value keeps the system's default.
    int ResolveTimeoutMs = -1;
    int ConnectTimeoutMs = -1;
    int SendTimeoutMs = -1;
    int ReceiveTimeoutMs = -1;
    // How long to wait for the answer's headers. Without it a server that accepts the connection
    // and never answers holds the request for ever.
    int ReceiveResponseTimeoutMs = -1;
    int MaxRedirects = -1;       // automatic redirects followed at most; negative: system default
    // Whatever the server sends, the request ends: past this many bytes of body, or once this many
    // milliseconds have passed since it started, it fails with a text that says which.
    size_t MaxBodyBytes = OneMiB;
    int DeadlineMs = 60000;
};

struct THttpResponse {
    int StatusCode = 0;
    THttpHeaders Headers;        // the ones the program reads: Content-Type and Content-Length
    std::string Body;            // the whole body, undecoded; empty when it went to a sink

    // The first header of that name, compared without regard to ASCII case; empty when absent.
    UString Header(UStringView AName) const;
};

// Takes an answer's body piece by piece as it arrives, so a large body never has to be held whole.
class IHttpBodySink {
public:
    virtual ~IHttpBodySink() = default;
    // The status and headers, before any of the body. False: the body is not wanted, and the
    // request ends with the response as it stands.
    virtual bool Begin(const THttpResponse& AHead) = 0;
    // The next piece; may raise, which ends the request with that failure.
    virtual void Write(std::string_view APiece) = 0;
};

class IHttpClient {
public:
    virtual ~IHttpClient() = default;
    // Sends the request and returns the answer whatever its status. Raises ECloudSetupError with a
    // readable text when no answer is obtained (no connection, time-out, certificate refused, an
    // answer over the size limit or past the deadline...). With a sink, the body goes to the sink.
    virtual THttpResponse Send(const THttpRequest& ARequest, IHttpBodySink* ASink = nullptr) = 0;
};

// The texts of the two limits, shared by every HTTP layer so a user reads the same words.
UString BodyTooLargeText(size_t AMaxBodyBytes);
UString DeadlinePassedText(int ADeadlineMs);

}  // namespace zelv::platform
