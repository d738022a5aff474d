#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/CloudSetupText.h"

namespace zelv::platform {

using THttpHeaders = std::vector<std::pair<UString, UString>>;

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
};

struct THttpResponse {
    int StatusCode = 0;
    THttpHeaders Headers;        // as received, names as the server spelled them
    std::string Body;            // the whole body, undecoded

    // The first header of that name, compared without regard to ASCII case; empty when absent.
    UString Header(UStringView AName) const;
};

class IHttpClient {
public:
    virtual ~IHttpClient() = default;
    // Sends the request and returns the answer whatever its status. Raises ECloudSetupError with a
    // readable text when no answer is obtained (no connection, time-out, certificate refused...).
    virtual THttpResponse Send(const THttpRequest& ARequest) = 0;
};

}  // namespace zelv::platform
