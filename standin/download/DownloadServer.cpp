// The stand-in download server: serves the stand-in add-in libraries over plain HTTP on loopback,
// with fault switches a test sets over a control endpoint and a log of the download requests.
//
//   GET  /downloads/zelvcloud/zelvcloud64.dll, /downloads/zelvcloud/zelvcloud32.dll
//   GET  /hop/<n>/<file>                 the remaining hops of a redirect chain
//   GET  /control/ping                   "ok" once the server accepts requests
//   POST /control/fault?mode=M&value=V   none | status (V: the code, empty body) | redirect (V hops)
//                                        | empty (200, no body) | corrupt (one byte changed)
//                                        | stall (V ms before any answer)
//                                        | stallbody (headers and half the body, then V ms)
//                                        | endless (200, a body without length that never ends,
//                                          sent as fast as it is taken)
//                                        | oversize (200, V bytes with their length announced)
//                                        | drip (200, a body without length: one byte every V ms)
//   POST /control/reset                  fault none, log emptied
//   GET  /control/log                    one line per download request: "GET <path>"
//
// Usage: zelv-download-standin --root DIR [--port 47480]
#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct TFault {
    std::string Mode = "none";
    int Value = 0;
};

class TState {
public:
    TFault Fault()
    {
        std::lock_guard<std::mutex> Lock(FMutex);
        return FFault;
    }
    void SetFault(TFault AFault)
    {
        std::lock_guard<std::mutex> Lock(FMutex);
        FFault = std::move(AFault);
    }
    void Reset()
    {
        std::lock_guard<std::mutex> Lock(FMutex);
        FFault = TFault();
        FLog.clear();
    }
    void Log(const std::string& ALine)
    {
        std::lock_guard<std::mutex> Lock(FMutex);
        FLog.push_back(ALine);
    }
    std::string LogText()
    {
        std::lock_guard<std::mutex> Lock(FMutex);
        std::string Text;
        for (const std::string& Line : FLog)
            Text += Line + "\n";
        return Text;
    }

private:
    std::mutex FMutex;
    TFault FFault;
    std::vector<std::string> FLog;
};

std::string ReadFile(const std::string& APath)
{
    std::ifstream File(APath, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(File)), std::istreambuf_iterator<char>());
}

bool IsLoopback(const httplib::Request& ARequest)
{
    return ARequest.remote_addr == "127.0.0.1" || ARequest.remote_addr == "::1" ||
           ARequest.remote_addr == "::ffff:127.0.0.1";
}

}  // namespace

int main(int argc, char** argv)
{
    std::string Root;
    int Port = 47480;
    for (int Index = 1; Index + 1 < argc; Index += 2) {
        std::string Name = argv[Index];
        if (Name == "--root")
            Root = argv[Index + 1];
        else if (Name == "--port")
            Port = std::stoi(argv[Index + 1]);
    }
    if (Root.empty()) {
        std::fprintf(stderr, "usage: %s --root DIR [--port N]\n", argv[0]);
        return 2;
    }

    const std::string Library64 = ReadFile(Root + "/zelvcloud64.dll");
    const std::string Library32 = ReadFile(Root + "/zelvcloud32.dll");
    if (Library64.empty() || Library32.empty()) {
        std::fprintf(stderr, "the add-in libraries are missing in %s\n", Root.c_str());
        return 2;
    }

    TState State;
    httplib::Server Server;

    auto Serve = [&](const httplib::Request& ARequest, httplib::Response& AResponse, const std::string& AFile,
                     int AHopsLeft) {
        State.Log("GET " + ARequest.path);
        TFault Fault = State.Fault();
        if (Fault.Mode == "stall") {
            std::this_thread::sleep_for(std::chrono::milliseconds(Fault.Value));
        } else if (Fault.Mode == "status") {
            AResponse.status = Fault.Value;
            return;
        } else if (Fault.Mode == "redirect" && AHopsLeft > 0) {
            AResponse.status = 302;
            AResponse.set_header("Location", "http://" + ARequest.get_header_value("Host") + "/hop/" +
                                                 std::to_string(AHopsLeft - 1) + "/" + AFile);
            return;
        } else if (Fault.Mode == "empty") {
            AResponse.status = 200;
            AResponse.set_content("", "application/octet-stream");
            return;
        }
        if (Fault.Mode == "endless" || Fault.Mode == "drip") {
            const int PauseMs = Fault.Mode == "drip" ? std::max(Fault.Value, 1) : 0;
            AResponse.status = 200;
            // Ends only when the client goes away.
            AResponse.set_chunked_content_provider("application/octet-stream", [PauseMs](size_t, httplib::DataSink& ASink) {
                static const std::string Piece(65536, 'Z');
                if (PauseMs > 0) {
                    std::this_thread::sleep_for(std::chrono::milliseconds(PauseMs));
                    return ASink.write(Piece.data(), 1);
                }
                return ASink.write(Piece.data(), Piece.size());
            });
            return;
        }
        if (Fault.Mode == "oversize") {
            const size_t Size = static_cast<size_t>(Fault.Value);
            AResponse.status = 200;
            AResponse.set_content_provider(Size, "application/octet-stream",
                                           [Size](size_t AOffset, size_t, httplib::DataSink& ASink) {
                                               static const std::string Piece(65536, 'Z');
                                               return ASink.write(Piece.data(), std::min(Piece.size(), Size - AOffset));
                                           });
            return;
        }
        std::string Body = AFile == "zelvcloud64.dll" ? Library64 : Library32;
        if (Fault.Mode == "stallbody") {
            const int StallMs = Fault.Value;
            AResponse.status = 200;
            AResponse.set_content_provider(
                Body.size(), "application/octet-stream",
                [Body, StallMs](size_t AOffset, size_t, httplib::DataSink& ASink) {
                    if (AOffset == 0)
                        return ASink.write(Body.data(), Body.size() / 2);
                    std::this_thread::sleep_for(std::chrono::milliseconds(StallMs));
                    return ASink.write(Body.data() + AOffset, Body.size() - AOffset);
                });
            return;
        }
        if (Fault.Mode == "corrupt")
            Body[Body.size() / 2] = static_cast<char>(Body[Body.size() / 2] ^ 0x5A);
        AResponse.status = 200;
        AResponse.set_content(Body, "application/octet-stream");
    };

    Server.Get(R"(/downloads/zelvcloud/(zelvcloud64\.dll|zelvcloud32\.dll))",
               [&](const httplib::Request& ARequest, httplib::Response& AResponse) {
                   TFault Fault = State.Fault();
                   Serve(ARequest, AResponse, ARequest.matches[1], Fault.Mode == "redirect" ? Fault.Value : 0);
               });
    Server.Get(R"(/hop/(\d+)/(zelvcloud64\.dll|zelvcloud32\.dll))",
               [&](const httplib::Request& ARequest, httplib::Response& AResponse) {
                   Serve(ARequest, AResponse, ARequest.matches[2], std::stoi(ARequest.matches[1]));
               });

    Server.Get("/control/ping", [](const httplib::Request&, httplib::Response& AResponse) {
        AResponse.set_content("ok", "text/plain");
    });
    Server.Get("/control/log", [&](const httplib::Request& ARequest, httplib::Response& AResponse) {
        if (!IsLoopback(ARequest)) {
            AResponse.status = 403;
            return;
        }
        AResponse.set_content(State.LogText(), "text/plain");
    });
    Server.Post("/control/reset", [&](const httplib::Request& ARequest, httplib::Response& AResponse) {
        if (!IsLoopback(ARequest)) {
            AResponse.status = 403;
            return;
        }
        State.Reset();
        AResponse.set_content("ok", "text/plain");
    });
    Server.Post("/control/fault", [&](const httplib::Request& ARequest, httplib::Response& AResponse) {
        if (!IsLoopback(ARequest)) {
            AResponse.status = 403;
            return;
        }
        TFault Fault;
        Fault.Mode = ARequest.get_param_value("mode");
        const std::string Value = ARequest.get_param_value("value");
        Fault.Value = Value.empty() ? 0 : std::stoi(Value);
        if (Fault.Mode != "none" && Fault.Mode != "status" && Fault.Mode != "redirect" && Fault.Mode != "empty" &&
            Fault.Mode != "corrupt" && Fault.Mode != "stall" && Fault.Mode != "stallbody" && Fault.Mode != "endless" &&
            Fault.Mode != "oversize" && Fault.Mode != "drip") {
            AResponse.status = 400;
            AResponse.set_content("unknown mode\n", "text/plain");
            return;
        }
        State.SetFault(Fault);
        AResponse.set_content("ok", "text/plain");
    });

    // The library's default shares the port (SO_REUSEPORT): a second server of another test run
    // would then get half of this one's connections instead of an error.
    Server.set_socket_options([](socket_t ASocket) {
        int Yes = 1;
        setsockopt(ASocket, SOL_SOCKET, SO_REUSEADDR, &Yes, sizeof Yes);
    });
    if (!Server.listen("127.0.0.1", Port)) {
        std::fprintf(stderr, "cannot listen on 127.0.0.1:%d\n", Port);
        return 1;
    }
    return 0;
}
