// A failure of the service layer that carries a ServiceResult; its message is
// the result's ErrorText.
#pragma once

#include "service/ServiceResult.h"

#include <exception>

namespace Tessaly {

class TsServiceException : public std::exception {
public:
    explicit TsServiceException(ServiceResult result) : result_(std::move(result)) {}
    const char* what() const noexcept override { return result_.ErrorText.c_str(); }
    const ServiceResult& Result() const { return result_; }

private:
    ServiceResult result_;
};

} // namespace Tessaly
