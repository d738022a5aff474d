// The stand-in sign-in service: issues 6-digit codes to the addresses of a directory file, "sends"
// them to an outbox, and answers verifications with the user's companies. Tests switch faults on,
// hold answers back and move the service's clock over a control endpoint that only loopback
// clients may use.
#include <httplib.h>
#include <openssl/crypto.h>
#include <openssl/rand.h>
#include <signal.h>

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <fstream>
#include <iostream>
#include <list>
#include <map>
#include <mutex>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <thread>
#include <vector>

using nlohmann::json;
using Clock = std::chrono::steady_clock;

namespace {

struct TOptions {
    std::string Host = "127.0.0.1";
    int Port = 47443;
    std::string Cert, Key;
    int UntrustedPort = 0;
    std::string UntrustedCert, UntrustedKey;
    std::string Directory;
    std::string Outbox;
    int CodeLifetime = 600;  // seconds
    int MaxSends = 3;        // codes per address within SendWindow
    int SendWindow = 600;    // seconds
    int MaxAttempts = 5;     // wrong codes before the code is void
};

struct TPending {
    std::string Code;
    Clock::time_point Expires;
    int WrongAttempts = 0;
    bool Locked = false;  // too many wrong attempts: only a new code helps
};

struct TFault {
    // none, delay, hold (the service's answer waits for a release), stall, html, truncated,
    // malformed, array, null, status, endless (a JSON-looking body without length that never
    // ends), oversize (a body of "size" bytes, its length announced)
    std::string Mode = "none";
    size_t Size = 0;
    int DelayMs = 0;
    int Status = 0;
    std::string Body;
    std::string ContentType = "application/json";
    std::string Location;  // sent as the Location header when set (redirects)
    int Times = -1;  // answers still affected; negative: until reset
};

struct TOutboxEntry {
    std::string Code;
    int ExpiresInSeconds = 0;
};

std::string Lower(std::string AText)
{
    for (char& C : AText)
        if (C >= 'A' && C <= 'Z')
            C = static_cast<char>(C - 'A' + 'a');
    return AText;
}

std::string NewCode()
{
    // Uniform over 000000-999999: values past the last whole million are drawn again.
    constexpr uint32_t Limit = 4294000000u;
    uint32_t Value = 0;
    do {
        if (RAND_bytes(reinterpret_cast<unsigned char*>(&Value), sizeof Value) != 1)
            throw std::runtime_error("no random bytes");
    } while (Value >= Limit);
    char Text[8];
    std::snprintf(Text, sizeof Text, "%06u", Value % 1000000u);
    return Text;
}

bool FromLoopback(const httplib::Request& ARequest)
{
    const std::string& A = ARequest.remote_addr;
    return A.rfind("127.", 0) == 0 || A == "::1" || A.rfind("::ffff:127.", 0) == 0;
}

void Reply(httplib::Response& AResponse, int AStatus, const json& ABody)
{
    AResponse.status = AStatus;
    AResponse.set_content(ABody.dump(), "application/json; charset=utf-8");
}

void Failure(httplib::Response& AResponse, int AStatus, const char* AError)
{
    Reply(AResponse, AStatus, json{{"success", false}, {"error", AError}});
}

class TService {
public:
    explicit TService(TOptions AOptions) : FStarted(AOptions), FOptions(std::move(AOptions)) { LoadDirectory(); }

    void Install(httplib::Server& AServer)
    {
        // A fault answers every request under /cloudsetup/, whatever its method and path. It is
        // applied in the handlers, after the request's body has been read: answering before that
        // would leave the body in a kept-alive connection as the start of the next request.
        AServer.Post("/cloudsetup/auth/request-code", [this](const httplib::Request& Q, httplib::Response& R) {
            if (!ApplyFault(Q, R))
                RequestCode(Q, R);
        });
        AServer.Post("/cloudsetup/auth/verify-code", [this](const httplib::Request& Q, httplib::Response& R) {
            if (!ApplyFault(Q, R))
                VerifyCode(Q, R);
        });
        auto Elsewhere = [this](const httplib::Request& Q, httplib::Response& R) {
            if (!ApplyFault(Q, R))
                Failure(R, 404, "NOT_FOUND");
        };
        AServer.Get("/cloudsetup/.*", Elsewhere);
        AServer.Post("/cloudsetup/.*", Elsewhere);
        AServer.Get("/control/health", [this](const httplib::Request& Q, httplib::Response& R) {
            if (Control(Q, R))
                Reply(R, 200, json{{"ok", true}});
        });
        AServer.Get("/control/outbox", [this](const httplib::Request& Q, httplib::Response& R) {
            if (Control(Q, R))
                Outbox(Q, R);
        });
        AServer.Post("/control/fault", [this](const httplib::Request& Q, httplib::Response& R) {
            if (Control(Q, R))
                SetFault(Q, R);
        });
        AServer.Post("/control/settings", [this](const httplib::Request& Q, httplib::Response& R) {
            if (Control(Q, R))
                SetSettings(Q, R);
        });
        AServer.Post("/control/reset", [this](const httplib::Request& Q, httplib::Response& R) {
            if (Control(Q, R))
                Reset(R);
        });
        AServer.Get("/control/held", [this](const httplib::Request& Q, httplib::Response& R) {
            if (Control(Q, R))
                Held(R);
        });
        AServer.Post("/control/release", [this](const httplib::Request& Q, httplib::Response& R) {
            if (Control(Q, R))
                Release(R);
        });
        AServer.Post("/control/clock", [this](const httplib::Request& Q, httplib::Response& R) {
            if (Control(Q, R))
                AdvanceClock(Q, R);
        });
        AServer.Post("/control/user", [this](const httplib::Request& Q, httplib::Response& R) {
            if (Control(Q, R))
                AddUser(Q, R);
        });
    }

    void Stop()
    {
        std::lock_guard Lock(FMutex);
        FStopping = true;
        FWake.notify_all();
    }

private:
    void LoadDirectory()
    {
        std::ifstream File(FOptions.Directory);
        if (!File)
            throw std::runtime_error("cannot read the directory file " + FOptions.Directory);
        json Directory = json::parse(File);
        for (const json& User : Directory.at("users"))
            FDirectory[Lower(User.at("email").get<std::string>())] = User.value("companies", json::array());
        FStartedDirectory = FDirectory;
    }

    // A user of many companies for the tests and the bench that try the program at scale:
    // {"email": ..., "companyCount": N} makes companies C00001... with a server each.
    void AddUser(const httplib::Request& ARequest, httplib::Response& AResponse)
    {
        json Body = json::parse(ARequest.body, nullptr, false);
        if (Body.is_discarded() || !Body.is_object() || !Body.contains("email") || !Body["email"].is_string() ||
            !Body.contains("companyCount") || !Body["companyCount"].is_number_unsigned())
            return Reply(AResponse, 400, json{{"error", "{\"email\": ..., \"companyCount\": N}"}});
        const size_t Count = Body["companyCount"].get<size_t>();
        json Companies = json::array();
        for (size_t I = 1; I <= Count; ++I) {
            char Code[16];
            std::snprintf(Code, sizeof Code, "C%05zu", I);
            Companies.push_back(json{{"companyCode", Code},
                                     {"serverAddress", "rds" + std::to_string(I) + ".many.zelvcloud.invalid"}});
        }
        std::lock_guard Lock(FMutex);
        FDirectory[Lower(Body["email"].get<std::string>())] = std::move(Companies);
        Reply(AResponse, 200, json{{"ok", true}});
    }

    bool Control(const httplib::Request& ARequest, httplib::Response& AResponse)
    {
        if (FromLoopback(ARequest))
            return true;
        Reply(AResponse, 403, json{{"error", "control endpoints answer loopback clients only"}});
        return false;
    }

    // Answers in place of the service while a fault is switched on; false when the service answers.
    bool ApplyFault(const httplib::Request& ARequest, httplib::Response& AResponse)
    {
        std::unique_lock Lock(FMutex);
        if (FFault.Mode == "none" || FFault.Times == 0)
            return false;
        if (FFault.Times > 0)
            --FFault.Times;
        const TFault Fault = FFault;
        if (Fault.Mode == "delay") {
            // Interrupted by a reset or by stopping, so a stalled answer never holds the server.
            const uint64_t Generation = FGeneration;
            FWake.wait_for(Lock, std::chrono::milliseconds(Fault.DelayMs),
                           [&] { return FStopping || FGeneration != Generation; });
            return false;
        }
        if (Fault.Mode == "hold") {
            // The request has arrived and is listed as held until a release (or a reset, or
            // stopping) lets the service answer it.
            const uint64_t Generation = FGeneration, Releases = FReleases;
            auto Held = FHeld.insert(FHeld.end(), ARequest.path);
            FWake.wait(Lock, [&] { return FStopping || FGeneration != Generation || FReleases != Releases; });
            FHeld.erase(Held);
            return false;
        }
        const int Status = Fault.Status ? Fault.Status : 200;
        if (Fault.Mode == "stall") {
            // Headers and the first half of the body, then nothing until DelayMs has passed.
            const std::string Body = Fault.Body.empty() ? std::string("{\"success\":true,\"message\":\"stalled\"}") : Fault.Body;
            const uint64_t Generation = FGeneration;
            AResponse.status = Status;
            AResponse.set_content_provider(Body.size(), Fault.ContentType,
                [this, Body, Generation, DelayMs = Fault.DelayMs](size_t AOffset, size_t, httplib::DataSink& ASink) {
                    if (AOffset == 0)
                        return ASink.write(Body.data(), Body.size() / 2);
                    std::unique_lock Wait(FMutex);
                    FWake.wait_for(Wait, std::chrono::milliseconds(DelayMs), [&] { return FStopping || FGeneration != Generation; });
                    return false;  // the connection is dropped, the body never completes
                });
            return true;
        }
        if (Fault.Mode == "endless") {
            AResponse.status = Status;
            const uint64_t Generation = FGeneration;
            AResponse.set_chunked_content_provider(Fault.ContentType, [this, Generation](size_t AOffset, httplib::DataSink& ASink) {
                static const std::string Piece(65536, ' ');
                if (AOffset == 0 && !ASink.write("{\"success\":true,\"message\":\"", 30))
                    return false;
                {
                    std::lock_guard Lock(FMutex);
                    if (FStopping || FGeneration != Generation)
                        return false;
                }
                return ASink.write(Piece.data(), Piece.size());
            });
            return true;
        }
        if (Fault.Mode == "oversize") {
            AResponse.status = Status;
            AResponse.set_content_provider(Fault.Size, Fault.ContentType, [Size = Fault.Size](size_t AOffset, size_t, httplib::DataSink& ASink) {
                static const std::string Piece(65536, ' ');
                return ASink.write(Piece.data(), std::min(Piece.size(), Size - AOffset));
            });
            return true;
        }
        if (Fault.Mode == "html") {
            AResponse.status = Fault.Status ? Fault.Status : 502;
            AResponse.set_content("<!DOCTYPE html>\n<html><head><title>502 Bad Gateway</title></head>"
                                  "<body><h1>Bad Gateway</h1><p>The upstream server did not answer.</p></body></html>\n",
                                  "text/html; charset=utf-8");
        } else if (Fault.Mode == "truncated") {
            AResponse.status = Status;
            AResponse.set_content("{\"success\":true,\"companies\":[{\"companyCode\":\"ACME\",\"serverAd", "application/json");
        } else if (Fault.Mode == "malformed") {
            AResponse.status = Status;
            AResponse.set_content("{\"success\":true,,\"message\":'sent'}", "application/json");
        } else if (Fault.Mode == "array") {
            AResponse.status = Status;
            AResponse.set_content("[{\"success\":true}]", "application/json");
        } else if (Fault.Mode == "null") {
            AResponse.status = Status;
            AResponse.set_content("null", "application/json");
        } else {
            AResponse.status = Status;
            AResponse.set_content(Fault.Body, Fault.ContentType);
        }
        if (!Fault.Location.empty())
            AResponse.set_header("Location", Fault.Location);
        return true;
    }

    static std::optional<json> ReadBody(const httplib::Request& ARequest)
    {
        json Body = json::parse(ARequest.body, nullptr, false);
        if (Body.is_discarded() || !Body.is_object() || !Body.contains("email") || !Body["email"].is_string())
            return std::nullopt;
        return Body;
    }

    void RequestCode(const httplib::Request& ARequest, httplib::Response& AResponse)
    {
        std::optional<json> Body = ReadBody(ARequest);
        if (!Body)
            return Failure(AResponse, 400, "BAD_REQUEST");
        const std::string Email = Lower((*Body)["email"].get<std::string>());

        std::lock_guard Lock(FMutex);
        if (!FDirectory.contains(Email))
            return Failure(AResponse, 404, "EMAIL_NOT_FOUND");
        const Clock::time_point Now = ServiceNow();
        std::deque<Clock::time_point>& Sends = FSends[Email];
        while (!Sends.empty() && Now - Sends.front() >= std::chrono::seconds(FOptions.SendWindow))
            Sends.pop_front();
        if (static_cast<int>(Sends.size()) >= FOptions.MaxSends) {
            auto Wait = std::chrono::duration_cast<std::chrono::seconds>(Sends.front() + std::chrono::seconds(FOptions.SendWindow) - Now);
            AResponse.set_header("Retry-After", std::to_string(Wait.count() + 1));
            return Reply(AResponse, 429, json{{"success", false}, {"error", "TOO_MANY_REQUESTS"}, {"retryAfterSeconds", Wait.count() + 1}});
        }
        Sends.push_back(Now);

        TPending Pending;
        Pending.Code = NewCode();
        Pending.Expires = Now + std::chrono::seconds(FOptions.CodeLifetime);
        FPending[Email] = Pending;
        Deliver(Email, Pending.Code);
        Reply(AResponse, 200, json{{"success", true},
                                   {"message", "A verification code has been sent to " + Email + "."},
                                   {"expiresInSeconds", FOptions.CodeLifetime}});
    }

    void VerifyCode(const httplib::Request& ARequest, httplib::Response& AResponse)
    {
        std::optional<json> Body = ReadBody(ARequest);
        if (!Body || !Body->contains("code") || !(*Body)["code"].is_string())
            return Failure(AResponse, 400, "BAD_REQUEST");
        const std::string Email = Lower((*Body)["email"].get<std::string>());
        const std::string Code = (*Body)["code"].get<std::string>();

        std::lock_guard Lock(FMutex);
        auto Found = FPending.find(Email);
        // An address outside the directory looks like one without a code: no address probing here.
        if (Found == FPending.end())
            return Failure(AResponse, 401, "INVALID_CODE");
        TPending& Pending = Found->second;
        if (Pending.Locked)
            return Failure(AResponse, 429, "TOO_MANY_ATTEMPTS");
        if (ServiceNow() >= Pending.Expires) {
            FPending.erase(Found);
            return Failure(AResponse, 401, "CODE_EXPIRED");
        }
        const bool Matches = Code.size() == Pending.Code.size() &&
                             CRYPTO_memcmp(Code.data(), Pending.Code.data(), Code.size()) == 0;
        if (!Matches) {
            if (++Pending.WrongAttempts >= FOptions.MaxAttempts) {
                Pending.Locked = true;
                return Failure(AResponse, 429, "TOO_MANY_ATTEMPTS");
            }
            return Failure(AResponse, 401, "INVALID_CODE");
        }
        FPending.erase(Found);  // a code signs in once
        FOutbox.erase(Email);
        Reply(AResponse, 200, json{{"success", true}, {"companies", FDirectory.at(Email)}});
    }

    // "E-mails" the code: the outbox file, the console and the loopback outbox endpoint.
    void Deliver(const std::string& AEmail, const std::string& ACode)
    {
        FOutbox[AEmail] = TOutboxEntry{ACode, FOptions.CodeLifetime};
        if (!FOptions.Outbox.empty()) {
            std::ofstream File(FOptions.Outbox, std::ios::app);
            File << json{{"time", static_cast<long long>(std::time(nullptr))}, {"email", AEmail}, {"code", ACode},
                         {"expiresInSeconds", FOptions.CodeLifetime}}.dump()
                 << "\n";
        }
        std::cout << "outbox: code " << ACode << " for " << AEmail << " (valid " << FOptions.CodeLifetime << " s)" << std::endl;
    }

    void Outbox(const httplib::Request& ARequest, httplib::Response& AResponse)
    {
        const std::string Email = Lower(ARequest.get_param_value("email"));
        std::lock_guard Lock(FMutex);
        auto Found = FOutbox.find(Email);
        if (Found == FOutbox.end())
            return Reply(AResponse, 404, json{{"error", "no code sent to this address"}});
        Reply(AResponse, 200, json{{"email", Email}, {"code", Found->second.Code}, {"expiresInSeconds", Found->second.ExpiresInSeconds}});
    }

    void SetFault(const httplib::Request& ARequest, httplib::Response& AResponse)
    {
        json Body = json::parse(ARequest.body, nullptr, false);
        static const char* Modes[] = {"none", "delay", "hold", "stall", "html", "truncated", "malformed", "array", "null",
                                      "status", "endless", "oversize"};
        if (Body.is_discarded() || !Body.is_object() || !Body.contains("mode") || !Body["mode"].is_string() ||
            std::find(std::begin(Modes), std::end(Modes), Body["mode"].get<std::string>()) == std::end(Modes))
            return Reply(AResponse, 400, json{{"error", "mode: none, delay, hold, stall, html, truncated, malformed, array, null, status, endless or oversize"}});
        TFault Fault;
        Fault.Mode = Body["mode"];
        Fault.DelayMs = Body.value("delayMs", 0);
        Fault.Status = Body.value("status", 0);
        Fault.Body = Body.value("body", std::string());
        Fault.ContentType = Body.value("contentType", std::string("application/json"));
        Fault.Location = Body.value("location", std::string());
        Fault.Times = Body.value("times", -1);
        Fault.Size = Body.value("size", size_t(0));
        std::lock_guard Lock(FMutex);
        FFault = Fault;
        std::cout << "control: fault " << Fault.Mode << std::endl;
        Reply(AResponse, 200, json{{"ok", true}});
    }

    // Limits a test may shorten for itself: code lifetime, codes per window, wrong attempts.
    void SetSettings(const httplib::Request& ARequest, httplib::Response& AResponse)
    {
        json Body = json::parse(ARequest.body, nullptr, false);
        if (Body.is_discarded() || !Body.is_object())
            return Reply(AResponse, 400, json{{"error", "a JSON object of settings"}});
        std::lock_guard Lock(FMutex);
        FOptions.CodeLifetime = Body.value("codeLifetime", FOptions.CodeLifetime);
        FOptions.MaxSends = Body.value("maxSends", FOptions.MaxSends);
        FOptions.SendWindow = Body.value("sendWindow", FOptions.SendWindow);
        FOptions.MaxAttempts = Body.value("maxAttempts", FOptions.MaxAttempts);
        Reply(AResponse, 200, json{{"ok", true}});
    }

    void Reset(httplib::Response& AResponse)
    {
        std::lock_guard Lock(FMutex);
        FOptions = FStarted;
        FDirectory = FStartedDirectory;
        FFault = TFault();
        FPending.clear();
        FSends.clear();
        FOutbox.clear();
        FClockAdvance = Clock::duration::zero();
        ++FGeneration;
        FWake.notify_all();
        Reply(AResponse, 200, json{{"ok", true}});
    }

    // The paths of the requests whose answers the hold fault keeps back now, in order of arrival.
    void Held(httplib::Response& AResponse)
    {
        std::lock_guard Lock(FMutex);
        Reply(AResponse, 200, json{{"held", json(FHeld)}});
    }

    // Lets every answer held now go; the requests that arrive later are held while the fault lasts.
    void Release(httplib::Response& AResponse)
    {
        std::lock_guard Lock(FMutex);
        const size_t Released = FHeld.size();
        ++FReleases;
        FWake.notify_all();
        Reply(AResponse, 200, json{{"released", Released}});
    }

    // Moves the service's clock forward, as if that much time had passed: codes expire and send
    // windows end without a test waiting for them.
    void AdvanceClock(const httplib::Request& ARequest, httplib::Response& AResponse)
    {
        json Body = json::parse(ARequest.body, nullptr, false);
        if (Body.is_discarded() || !Body.is_object() || !Body.contains("advanceMs") || !Body["advanceMs"].is_number_unsigned())
            return Reply(AResponse, 400, json{{"error", "advanceMs: the milliseconds to move the clock forward"}});
        std::lock_guard Lock(FMutex);
        FClockAdvance += std::chrono::milliseconds(Body["advanceMs"].get<uint64_t>());
        Reply(AResponse, 200, json{{"ok", true}});
    }

    // The service's own time: the system's steady clock plus what the tests moved it forward by.
    Clock::time_point ServiceNow() const { return Clock::now() + FClockAdvance; }

    const TOptions FStarted;  // what the command line set; a reset returns to it
    TOptions FOptions;
    std::map<std::string, json> FDirectory;
    std::map<std::string, json> FStartedDirectory;  // as the directory file has it
    std::mutex FMutex;
    std::condition_variable FWake;
    bool FStopping = false;
    uint64_t FGeneration = 0;
    uint64_t FReleases = 0;
    std::list<std::string> FHeld;
    Clock::duration FClockAdvance = Clock::duration::zero();
    TFault FFault;
    std::map<std::string, TPending> FPending;
    std::map<std::string, std::deque<Clock::time_point>> FSends;
    std::map<std::string, TOutboxEntry> FOutbox;
};

void Usage()
{
    std::cerr << "usage: zelv_signin_standin --cert FILE --key FILE --directory FILE [--port N] [--outbox FILE]\n"
                 "       [--code-lifetime S] [--max-sends N] [--send-window S] [--max-attempts N]\n"
                 "       [--untrusted-port N --untrusted-cert FILE --untrusted-key FILE]\n";
}

std::optional<TOptions> ParseOptions(int argc, char** argv)
{
    TOptions O;
    for (int I = 1; I < argc; ++I) {
        std::string Name = argv[I];
        if (I + 1 >= argc)
            return std::nullopt;
        std::string Value = argv[++I];
        try {
            if (Name == "--port") O.Port = std::stoi(Value);
            else if (Name == "--cert") O.Cert = Value;
            else if (Name == "--key") O.Key = Value;
            else if (Name == "--directory") O.Directory = Value;
            else if (Name == "--outbox") O.Outbox = Value;
            else if (Name == "--code-lifetime") O.CodeLifetime = std::stoi(Value);
            else if (Name == "--max-sends") O.MaxSends = std::stoi(Value);
            else if (Name == "--send-window") O.SendWindow = std::stoi(Value);
            else if (Name == "--max-attempts") O.MaxAttempts = std::stoi(Value);
            else if (Name == "--untrusted-port") O.UntrustedPort = std::stoi(Value);
            else if (Name == "--untrusted-cert") O.UntrustedCert = Value;
            else if (Name == "--untrusted-key") O.UntrustedKey = Value;
            else return std::nullopt;
        } catch (const std::exception&) {
            return std::nullopt;
        }
    }
    if (O.Cert.empty() || O.Key.empty() || O.Directory.empty())
        return std::nullopt;
    return O;
}

}  // namespace

int main(int argc, char** argv)
{
    std::optional<TOptions> Options = ParseOptions(argc, argv);
    if (!Options) {
        Usage();
        return 2;
    }
    // Signals are taken by one thread that stops the servers; the others never see them.
    sigset_t Signals;
    sigemptyset(&Signals);
    sigaddset(&Signals, SIGINT);
    sigaddset(&Signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &Signals, nullptr);

    try {
        TService Service(*Options);
        std::vector<std::unique_ptr<httplib::SSLServer>> Servers;
        auto Listen = [&](const std::string& AHost, int APort, const std::string& ACert, const std::string& AKey, bool ARequired) {
            auto Server = std::make_unique<httplib::SSLServer>(ACert.c_str(), AKey.c_str());
            if (!Server->is_valid())
                throw std::runtime_error("cannot load the certificate " + ACert + " or its key");
            Service.Install(*Server);
            // The library's default shares the port (SO_REUSEPORT): a second stand-in of another
            // test run would then get half of this one's connections instead of an error.
            Server->set_socket_options([](socket_t ASocket) {
                int Yes = 1;
                setsockopt(ASocket, SOL_SOCKET, SO_REUSEADDR, &Yes, sizeof Yes);
            });
            if (!Server->bind_to_port(AHost, APort)) {
                if (ARequired)
                    throw std::runtime_error("cannot listen on " + AHost + " port " + std::to_string(APort) + " (in use?)");
                return;
            }
            Servers.push_back(std::move(Server));
        };
        Listen(Options->Host, Options->Port, Options->Cert, Options->Key, true);
        // Clients that resolve localhost to ::1 find us there too, where the system has it.
        Listen("::1", Options->Port, Options->Cert, Options->Key, false);
        if (Options->UntrustedPort)
            Listen(Options->Host, Options->UntrustedPort, Options->UntrustedCert, Options->UntrustedKey, true);

        std::vector<std::thread> Threads;
        for (auto& Server : Servers)
            Threads.emplace_back([&S = *Server] { S.listen_after_bind(); });
        std::cout << "Stand-in sign-in service at https://localhost:" << Options->Port << "/cloudsetup" << std::endl;

        int Signal = 0;
        sigwait(&Signals, &Signal);
        Service.Stop();
        for (auto& Server : Servers)
            Server->stop();
        for (auto& Thread : Threads)
            Thread.join();
        std::cout << "Stand-in sign-in service stopped" << std::endl;
    } catch (const std::exception& E) {
        std::cerr << "zelv_signin_standin: " << E.what() << std::endl;
        return 1;
    }
    return 0;
}
