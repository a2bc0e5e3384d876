// Exception classes shared by the libraries. Inside a library every failure
// travels as an exception; the member frame turns it into a result code.
#pragma once

#include "platform/ComPtr.h"
#include "platform/Interfaces.h"
#include "platform/Types.h"

#include <stdexcept>
#include <string>

// A result code the automation boundary reports as it is; when the flag is set
// error information is installed too.
class ComException : public std::exception {
public:
    ComException(HRESULT code, bool reportErrorInfo, std::string message)
        : code_(code), report_(reportErrorInfo), message_(std::move(message))
    {
    }
    const char* what() const noexcept override { return message_.c_str(); }
    HRESULT Code() const { return code_; }
    bool ReportsErrorInfo() const { return report_; }

    // The result code for this failure, with error information where asked for.
    HRESULT Report(REFCLSID clsid, REFIID iid) const;

private:
    HRESULT code_;
    bool report_;
    std::string message_;
};

// A failed call of a platform component: its code and, when the component
// supplied one, its error information. Deliberately not a std::exception.
class PlatformError {
public:
    explicit PlatformError(HRESULT code, ComPtr<IErrorInfo> info = {}) : code_(code), info_(std::move(info)) {}

    HRESULT Code() const { return code_; }
    // The description the attached error information gives, if any (may be empty).
    bool Description(std::string& text) const;
    // The platform's message text for the code, trailing line break removed,
    // or the documented fallback for codes without one.
    std::string SystemMessage() const;

    // Throws for a failed result code, taking the thread's error information
    // when the object supports it on that interface.
    static void ThrowIfFailed(HRESULT hr);
    static void ThrowIfFailed(HRESULT hr, IUnknown* object, REFIID iid);

private:
    HRESULT code_;
    ComPtr<IErrorInfo> info_;
};
