#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "core/CloudSetupText.h"

namespace zelv {

// One company the user may set up, exactly as the service sent it.
struct TCompanyInfo {
    UString CompanyCode;
    UString ServerAddress;
    bool Selected = false;
};

using TCompanyList = std::vector<TCompanyInfo>;

// The outcome of one sign-in request. The company list belongs to whoever holds the record; the
// record is move-only, so exactly one holder frees it.
struct TAPIResult {
    bool Success = false;
    UString ErrorCode;
    UString Message;
    int32_t ExpiresInSeconds = 0;
    std::unique_ptr<TCompanyList> Companies;
};

}  // namespace zelv
