// The fields of the sheets processed so far: key to value, keys compared and
// ordered without regard to ASCII letter case, each key present once.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace TsScanner {

struct NoCaseLess {
    using is_transparent = void;
    bool operator()(std::string_view a, std::string_view b) const;
};

class FieldTable {
public:
    using Map = std::map<std::string, std::string, NoCaseLess>;
    using Piece = std::pair<std::string_view, std::string_view>;

    // The key-value pieces of a result text in the order they appear: cut at
    // every "&" (and zero byte), empty pieces and pieces without "=" dropped,
    // the key before the last "=". The views point into text.
    static std::vector<Piece> Pieces(std::string_view text);

    // Adds or overwrites the fields of one result text; a later piece with the
    // same key wins and a stored key keeps the case of its first occurrence.
    // All or nothing: if it throws, the table is unchanged.
    void Apply(std::string_view resultText);

    // The value, or an empty text when the key is absent.
    std::string Get(std::string_view key) const;
    const std::string* Find(std::string_view key) const;

    // The largest answer number among keys that start with "a" or "A" and whose
    // value is not blank; 0 when there is none.
    int32_t LastCompletedAnswer() const;

    const Map& Entries() const { return fields_; }
    std::size_t Size() const { return fields_.size(); }

private:
    Map fields_;
};

}  // namespace TsScanner
