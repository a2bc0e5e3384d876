// The registry's contents in memory, and their .reg text form. Internal to
// the platform: callers use Registry.h.
#pragma once

#include "platform/Types.h"

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

namespace Registry::detail {

// ASCII case folding: key and value names compare through it.
std::string Fold(std::string_view text);

struct Value {
    std::string name; // as first written; "" is the default value
    bool isDword = false;
    std::string text;
    DWORD dword = 0;
};

struct Key {
    std::string name; // as first written
    std::vector<Value> values;
    std::vector<Key> children;

    Key* Child(std::string_view name);
    const Key* Child(std::string_view name) const;
    Value* FindValue(std::string_view name);
    const Value* FindValue(std::string_view name) const;
};

// Splits "HKEY_CLASSES_ROOT\CLSID\{...}" into its names, the root spelled in
// its canonical upper case. nullopt for an unknown root, an empty name, or a
// name holding a line break or a zero character.
std::optional<std::vector<std::string>> SplitPath(std::string_view path);

// The whole file: the roots are the children of `top`.
class Tree {
public:
    const Key* Find(const std::vector<std::string>& path) const;
    Key* Find(const std::vector<std::string>& path);
    Key& Create(const std::vector<std::string>& path);
    void Remove(const std::vector<std::string>& path);
    bool Empty() const { return top_.children.empty(); }
    const Key& Top() const { return top_; }

private:
    Key top_;
};

struct ParseError {
    size_t line;
    std::string message;
};

std::variant<Tree, ParseError> Parse(std::string_view text);
std::string Serialize(const Tree& tree);

} // namespace Registry::detail
