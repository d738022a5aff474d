#pragma once

#include "platform/IHttpClient.h"

namespace zelv::win32 {

// HTTP and HTTPS over WinHTTP. Each request gets its own session, so calls from several worker
// threads share nothing. Certificate checks stay at WinHTTP's defaults (always on).
class TWin32HttpClient : public platform::IHttpClient {
public:
    platform::THttpResponse Send(const platform::THttpRequest& ARequest) override;
};

// The text a user reads for a WinHTTP or socket error code: Windows' own text from winhttp.dll's
// message table or the system's, else the program's own. Never a bare number.
UString HttpErrorText(unsigned long ACode);

}  // namespace zelv::win32
