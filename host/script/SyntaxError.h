// A script that cannot be read: reported with its position before anything runs.
#pragma once

#include "host/script/Token.h"

#include <stdexcept>
#include <string>

namespace script {

// Numbers follow VBScript's compilation errors.
enum class SyntaxCode : int32_t {
    SyntaxError = 1002,
    ExpectedLParen = 1005,
    ExpectedRParen = 1006,
    ExpectedIdentifier = 1010,
    ExpectedEqual = 1011,
    ExpectedInteger = 1014,
    ExpectedStatement = 1024,
    ExpectedEndOfStatement = 1025,
    InvalidCharacter = 1032,
    UnterminatedString = 1033,
    NameRedefined = 1041,
    InvalidNumber = 1057,
};

class SyntaxError : public std::runtime_error {
public:
    SyntaxError(SyntaxCode code, SourcePos pos, const std::string& message)
        : std::runtime_error(message), code_(code), pos_(pos)
    {
    }
    SyntaxCode Code() const { return code_; }
    SourcePos Pos() const { return pos_; }

private:
    SyntaxCode code_;
    SourcePos pos_;
};

} // namespace script
