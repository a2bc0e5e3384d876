// The abstract form command: one definition line, parsed into typed fields
// once, then evaluated against any number of sheets.
#pragma once

#include "common/Ptr.h"
#include "scanner/core/StrTokenizer.h"
#include "scanner/core/TsScannerData.h"

#include <cstdint>
#include <string>

namespace TsScanner {

class TsScannerFormCmd {
public:
    virtual ~TsScannerFormCmd() = default;

    // Keeps the tokenizer; derived versions call this first, then check the
    // item count and read their items.
    virtual void Parse(const Ptr<StrTokenizer>& tokens);
    // The command's text for one sheet. Never changes the command or the grid;
    // a failure throws std::runtime_error and yields no partial text.
    virtual std::string Evaluate(char blank, char multipleMark, const TsScannerData& grid) const = 0;

    const Ptr<StrTokenizer>& Tokens() const { return tokens_; }
    // The definition line the command was made from.
    const std::string& Line() const;

protected:
    // The short-count checks, before any item is read.
    void RequireItemsAtLeast(int32_t minimum) const;
    void RequireItemsExactly(int32_t minimum) const;
    const StrTokenizer& Items() const { return *tokens_; }

private:
    Ptr<StrTokenizer> tokens_;
};

}  // namespace TsScanner
