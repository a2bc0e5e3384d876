// The eight form commands. Each reads its items into typed fields in Parse so
// that Evaluate reads no text but value and label items.
#pragma once

#include "scanner/core/Region.h"
#include "scanner/core/TsScannerFormCmd.h"

#include <cstdint>
#include <string>
#include <vector>

namespace TsScanner {

// "FS": two numbers kept with the command; evaluates to an empty text.
class StartCmd final : public TsScannerFormCmd {
public:
    void Parse(const Ptr<StrTokenizer>& tokens) override;
    std::string Evaluate(char blank, char multipleMark, const TsScannerData& grid) const override;

    int32_t first = 0;   // item 2
    int32_t second = 0;  // item 4
};

// "IN": a fixed text taken from the raw line after the length item.
class InsertCmd final : public TsScannerFormCmd {
public:
    void Parse(const Ptr<StrTokenizer>& tokens) override;
    std::string Evaluate(char blank, char multipleMark, const TsScannerData& grid) const override;

    int32_t length = 0;
    std::string text;
};

// "RS", "RSE", "RSB": a sum over single cells.
class RandomSumCmd final : public TsScannerFormCmd {
public:
    enum class Kind { RS, RSE, RSB };
    struct Entry {
        int32_t itemNumber = 0;
        int32_t line = 0;
        int32_t column = 0;
        int64_t value = 0;  // the value text's number; unused by "RSB"
    };
    // "RSB" adds 2 to the power of the entry's index; the sum is kept in 64
    // bits, so up to 63 entries are exact and more are refused at parse time.
    static constexpr int32_t kMaxBitEntries = 63;

    void Parse(const Ptr<StrTokenizer>& tokens) override;
    std::string Evaluate(char blank, char multipleMark, const TsScannerData& grid) const override;

    Kind kind = Kind::RS;
    bool flag = false;
    std::vector<int32_t> numbers;  // item 3, or items 3 to 5
    std::vector<Entry> entries;
};

// "SU", "SUE", "SUB": one decimal sum per item of a region.
class SumCmd final : public TsScannerFormCmd {
public:
    enum class Kind { SU, SUE, SUB };
    // "SUB" adds 2 to the power of the choice's distance from the choice start;
    // in 64 bits that allows spans of up to 63 positions, wider ones are
    // refused at parse time.
    static constexpr int64_t kMaxBitPositions = 63;

    void Parse(const Ptr<StrTokenizer>& tokens) override;
    std::string Evaluate(char blank, char multipleMark, const TsScannerData& grid) const override;

    Kind kind = Kind::SU;
    bool flag = false;
    std::vector<int32_t> numbers;  // item 3, or items 3 to 5
    int32_t number = 0;            // item b
    Region region;
    std::size_t firstValueIndex = 0;  // b + 8
    std::vector<int32_t> values;      // numbers of the items from b + 8 on ("SU", "SUE")
};

// "MC": one answer piece per item of a region.
class MultipleChoiceCmd final : public TsScannerFormCmd {
public:
    void Parse(const Ptr<StrTokenizer>& tokens) override;
    std::string Evaluate(char blank, char multipleMark, const TsScannerData& grid) const override;

    bool allMarks = false;
    bool flag = false;
    int32_t labelWidth = 0;
    int32_t number = 0;
    Region region;
    std::string labels;
};

// "RI": labels of single cells.
class RelatedItemCmd final : public TsScannerFormCmd {
public:
    struct Entry {
        int32_t itemNumber = 0;
        int32_t line = 0;
        int32_t column = 0;
        std::string label;
    };

    void Parse(const Ptr<StrTokenizer>& tokens) override;
    std::string Evaluate(char blank, char multipleMark, const TsScannerData& grid) const override;

    bool severalMarks = false;
    bool flag = false;
    int32_t blankWidth = 0;
    std::vector<Entry> entries;
};

// "ID": checks the sheet's identification marks; an empty text when they match.
class IdCmd final : public TsScannerFormCmd {
public:
    void Parse(const Ptr<StrTokenizer>& tokens) override;
    std::string Evaluate(char blank, char multipleMark, const TsScannerData& grid) const override;

    int32_t number = 0;
    char orientation = '\0';
    int32_t position = 0;
    std::string pattern;
};

// "ST": the marks of a region in the mark code of the scanner data text.
class CorvaneCmd final : public TsScannerFormCmd {
public:
    void Parse(const Ptr<StrTokenizer>& tokens) override;
    std::string Evaluate(char blank, char multipleMark, const TsScannerData& grid) const override;

    int32_t number = 0;
    Region region;
};

}  // namespace TsScanner
