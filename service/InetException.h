// The one failure the HTTP transport throws.
#pragma once

#include <cstdint>
#include <exception>
#include <string>
#include <string_view>

namespace InetStuff {

class InetException : public std::exception {
public:
    // From a failing step and its error code: the code's text in
    // InetErrorTexts, or "<step>: Error: <code>" for a code the table lacks.
    InetException(std::string_view step, std::uint32_t code);
    // From a ready message, taken unchanged.
    explicit InetException(std::string text) : message(std::move(text)) {}

    // what() gives the message too, so a generic handler reports the real
    // reason rather than the base class's placeholder.
    const char* what() const noexcept override { return message.c_str(); }

    // Read directly by the request pipeline.
    std::string message;
};

} // namespace InetStuff
