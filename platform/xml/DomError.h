// A failure inside the component: the result code a member returns and the
// description it leaves as error information (UTF-8).
#pragma once

#include "platform/Types.h"

#include <string>
#include <utility>

namespace xmldom {

class DomError {
public:
    DomError(HRESULT code, std::string description) : code_(code), description_(std::move(description)) {}
    HRESULT Code() const { return code_; }
    const std::string& Description() const { return description_; }

private:
    HRESULT code_;
    std::string description_;
};

} // namespace xmldom
