// Separator sets for cutting definition lines and result texts into items.
#pragma once

#include <bitset>
#include <string>

namespace TsScanner {

class Seps {
public:
    virtual ~Seps() = default;
    virtual bool IsSeparator(char c) const = 0;
};

// Every character that is not an ASCII letter or digit separates, bytes above
// 127 included.
class NonAlnumSeps final : public Seps {
public:
    bool IsSeparator(char c) const override
    {
        return !((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9'));
    }
    static const NonAlnumSeps& Instance();
};

// The characters of a given string separate, and so does the zero byte.
class PszSeps final : public Seps {
public:
    explicit PszSeps(std::string characters) : characters_(std::move(characters))
    {
        table_.set(0);
        for (char c : characters_)
            table_.set(static_cast<unsigned char>(c));
    }
    bool IsSeparator(char c) const override { return table_.test(static_cast<unsigned char>(c)); }
    const std::string& Characters() const { return characters_; }

private:
    std::string characters_;
    std::bitset<256> table_;  // looked up once per character of every result text
};

}  // namespace TsScanner
