#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "core/CloudSetupError.h"
#include "platform/Platform.h"

namespace zelv::test {

// Answers requests with queued responses (or a queued transport failure) and keeps every request.
class TFakeHttp : public platform::IHttpClient {
public:
    struct TAnswer {
        platform::THttpResponse Response;
        std::optional<UString> Failure;  // raised instead of answering
    };

    std::vector<platform::THttpRequest> Requests;
    std::deque<TAnswer> Answers;

    void Answer(int AStatus, std::string ABody, UString AContentType = u"application/json")
    {
        TAnswer A;
        A.Response.StatusCode = AStatus;
        A.Response.Body = std::move(ABody);
        if (!AContentType.empty())
            A.Response.Headers.emplace_back(u"Content-Type", std::move(AContentType));
        Answers.push_back(std::move(A));
    }
    void Fail(UString AMessage) { Answers.push_back(TAnswer{{}, std::move(AMessage)}); }

    platform::THttpResponse Send(const platform::THttpRequest& ARequest) override
    {
        Requests.push_back(ARequest);
        if (Answers.empty())
            throw ECloudSetupError(u"no answer queued");
        TAnswer A = std::move(Answers.front());
        Answers.pop_front();
        if (A.Failure)
            throw ECloudSetupError(*A.Failure);
        return A.Response;
    }
};

}  // namespace zelv::test
