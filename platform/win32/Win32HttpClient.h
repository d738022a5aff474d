#pragma once

#include <windows.h>
#include <winhttp.h>

#include <mutex>

#include "platform/IHttpClient.h"
#include "platform/win32/UniqueHandle.h"

namespace zelv::win32 {

inline void CloseInternet(HINTERNET AHandle) { ::WinHttpCloseHandle(AHandle); }
using UniqueInternet = UniqueHandle<HINTERNET, CloseInternet>;

// HTTP and HTTPS over WinHTTP. One session serves every request for the life of the client; it is
// opened with the first request, so start-up does not pay for it, and WinHTTP lets the requests of
// several threads share it. Certificate checks stay at WinHTTP's defaults (always on).
class TWin32HttpClient : public platform::IHttpClient {
public:
    platform::THttpResponse Send(const platform::THttpRequest& ARequest, platform::IHttpBodySink* ASink = nullptr) override;

private:
    HINTERNET Session();

    std::mutex FSessionLock;
    UniqueInternet FSession;
};

// The text a user reads for a WinHTTP or socket error code: Windows' own text from winhttp.dll's
// message table or the system's, else the program's own. Never a bare number.
UString HttpErrorText(unsigned long ACode);

}  // namespace zelv::win32
