#pragma once

#include <deque>
#include <optional>
#include <vector>

#include "core/CloudSetupError.h"
#include "platform/Platform.h"

namespace zelv::test {

// What an HTTP layer does with a response it has received: the size limit, and the body handed
// to the sink in pieces of APiece bytes when there is one.
inline platform::THttpResponse Deliver(platform::THttpResponse AResponse, const platform::THttpRequest& ARequest,
                                       platform::IHttpBodySink* ASink, size_t APiece = 4096)
{
    if (ASink) {
        std::string Body = std::move(AResponse.Body);
        AResponse.Body.clear();
        if (!ASink->Begin(AResponse))
            return AResponse;
        if (Body.size() > ARequest.MaxBodyBytes)
            throw ECloudSetupError(platform::BodyTooLargeText(ARequest.MaxBodyBytes));
        for (size_t Offset = 0; Offset < Body.size(); Offset += APiece)
            ASink->Write(std::string_view(Body).substr(Offset, APiece));
        return AResponse;
    }
    if (AResponse.Body.size() > ARequest.MaxBodyBytes)
        throw ECloudSetupError(platform::BodyTooLargeText(ARequest.MaxBodyBytes));
    return AResponse;
}

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

    platform::THttpResponse Send(const platform::THttpRequest& ARequest, platform::IHttpBodySink* ASink = nullptr) override
    {
        Requests.push_back(ARequest);
        if (Answers.empty())
            throw ECloudSetupError(u"no answer queued");
        TAnswer A = std::move(Answers.front());
        Answers.pop_front();
        if (A.Failure)
            throw ECloudSetupError(*A.Failure);
        return Deliver(std::move(A.Response), ARequest, ASink);
    }
};

}  // namespace zelv::test
