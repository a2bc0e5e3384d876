#include "platform/RegistryTree.h"

#include <algorithm>
#include <array>

namespace Registry::detail {

namespace {

constexpr std::string_view kHeader = "Windows Registry Editor Version 5.00";

constexpr std::array<std::string_view, 5> kRoots = {
    "HKEY_CLASSES_ROOT", "HKEY_CURRENT_USER", "HKEY_LOCAL_MACHINE", "HKEY_USERS", "HKEY_CURRENT_CONFIG",
};

char FoldChar(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

bool SameName(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldChar(x) == FoldChar(y);
           });
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s)
{
    while (!s.empty() && IsBlank(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && IsBlank(s.back()))
        s.remove_suffix(1);
    return s;
}

template <typename K>
auto FindIn(K& key, const std::vector<std::string>& path) -> K*
{
    K* at = &key;
    for (const std::string& name : path) {
        at = at->Child(name);
        if (!at)
            return nullptr;
    }
    return at;
}

// Reads a quoted string starting at text[pos] == '"'; pos ends after the closing quote.
bool ReadQuoted(std::string_view text, size_t& pos, std::string& out)
{
    out.clear();
    for (++pos; pos < text.size(); ++pos) {
        char c = text[pos];
        if (c == '"') {
            ++pos;
            return true;
        }
        if (c != '\\') {
            out += c;
            continue;
        }
        if (++pos == text.size())
            return false;
        switch (text[pos]) {
        case '\\': out += '\\'; break;
        case '"': out += '"'; break;
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        default: return false;
        }
    }
    return false;
}

void WriteQuoted(std::string& out, std::string_view text)
{
    out += '"';
    for (char c : text) {
        switch (c) {
        case '\\': out += "\\\\"; break;
        case '"': out += "\\\""; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        default: out += c;
        }
    }
    out += '"';
}

std::optional<DWORD> ParseHex(std::string_view digits)
{
    if (digits.empty() || digits.size() > 8)
        return std::nullopt;
    DWORD value = 0;
    for (char c : digits) {
        int d = (c >= '0' && c <= '9') ? c - '0' : (FoldChar(c) >= 'a' && FoldChar(c) <= 'f') ? FoldChar(c) - 'a' + 10 : -1;
        if (d < 0)
            return std::nullopt;
        value = value * 16 + static_cast<DWORD>(d);
    }
    return value;
}

void SetValue(Key& key, std::string_view name, Value value)
{
    if (Value* existing = key.FindValue(name)) {
        value.name = existing->name; // the first spelling stays
        *existing = std::move(value);
        return;
    }
    value.name = std::string(name);
    key.values.push_back(std::move(value));
}

void RemoveValue(Key& key, std::string_view name)
{
    std::erase_if(key.values, [&](const Value& v) { return SameName(v.name, name); });
}

// One value line: `@=...` or `"Name"=...`. Returns an error text, or nothing.
std::optional<std::string> ParseValueLine(std::string_view line, Key& key)
{
    size_t pos = 0;
    std::string name;
    if (line[0] == '@') {
        pos = 1;
    } else if (!ReadQuoted(line, pos, name)) {
        return "unterminated or badly escaped value name";
    }
    while (pos < line.size() && IsBlank(line[pos]))
        ++pos;
    if (pos == line.size() || line[pos] != '=')
        return "expected '=' after the value name";
    std::string_view data = Trim(line.substr(pos + 1));
    if (data == "-") {
        RemoveValue(key, name);
        return std::nullopt;
    }
    Value value;
    if (!data.empty() && data[0] == '"') {
        size_t end = 0;
        if (!ReadQuoted(data, end, value.text))
            return "unterminated or badly escaped string value";
        if (end != data.size())
            return "unexpected text after the string value";
    } else if (data.size() >= 6 && SameName(data.substr(0, 6), "dword:")) {
        auto number = ParseHex(data.substr(6));
        if (!number)
            return "a dword value needs 1 to 8 hexadecimal digits";
        value.isDword = true;
        value.dword = *number;
    } else {
        return "unsupported value type (only strings and dword values are understood)";
    }
    SetValue(key, name, std::move(value));
    return std::nullopt;
}

void SerializeKey(std::string& out, const Key& key, std::string& path, bool isRoot)
{
    size_t mark = path.size();
    if (!path.empty())
        path += '\\';
    path += key.name;
    if (!isRoot || !key.values.empty()) {
        out += '[';
        out += path;
        out += "]\n";
        for (const Value& v : key.values) {
            if (v.name.empty())
                out += '@';
            else
                WriteQuoted(out, v.name);
            out += '=';
            if (v.isDword) {
                static const char digits[] = "0123456789abcdef";
                out += "dword:";
                for (int shift = 28; shift >= 0; shift -= 4)
                    out += digits[(v.dword >> shift) & 0xF];
            } else {
                WriteQuoted(out, v.text);
            }
            out += '\n';
        }
        out += '\n';
    }
    for (const Key& child : key.children)
        SerializeKey(out, child, path, false);
    path.resize(mark);
}

} // namespace

std::string Fold(std::string_view text)
{
    std::string folded(text);
    for (char& c : folded)
        c = FoldChar(c);
    return folded;
}

Key* Key::Child(std::string_view childName)
{
    for (Key& k : children)
        if (SameName(k.name, childName))
            return &k;
    return nullptr;
}

const Key* Key::Child(std::string_view childName) const { return const_cast<Key*>(this)->Child(childName); }

Value* Key::FindValue(std::string_view valueName)
{
    for (Value& v : values)
        if (SameName(v.name, valueName))
            return &v;
    return nullptr;
}

const Value* Key::FindValue(std::string_view valueName) const { return const_cast<Key*>(this)->FindValue(valueName); }

std::optional<std::vector<std::string>> SplitPath(std::string_view path)
{
    std::vector<std::string> names;
    size_t start = 0;
    while (true) {
        size_t end = path.find('\\', start);
        std::string_view name = path.substr(start, end == std::string_view::npos ? std::string_view::npos : end - start);
        if (name.empty() || name.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos)
            return std::nullopt;
        names.emplace_back(name);
        if (end == std::string_view::npos)
            break;
        start = end + 1;
    }
    auto root = std::find_if(kRoots.begin(), kRoots.end(), [&](std::string_view r) { return SameName(r, names[0]); });
    if (root == kRoots.end())
        return std::nullopt;
    names[0] = std::string(*root);
    return names;
}

const Key* Tree::Find(const std::vector<std::string>& path) const { return FindIn(top_, path); }
Key* Tree::Find(const std::vector<std::string>& path) { return FindIn(top_, path); }

Key& Tree::Create(const std::vector<std::string>& path)
{
    Key* at = &top_;
    for (const std::string& name : path) {
        Key* next = at->Child(name);
        if (!next) {
            at->children.push_back(Key{name, {}, {}});
            next = &at->children.back();
        }
        at = next;
    }
    return *at;
}

void Tree::Remove(const std::vector<std::string>& path)
{
    if (path.empty())
        return;
    std::vector<std::string> parentPath(path.begin(), path.end() - 1);
    if (Key* parent = Find(parentPath))
        std::erase_if(parent->children, [&](const Key& k) { return SameName(k.name, path.back()); });
}

std::variant<Tree, ParseError> Parse(std::string_view text)
{
    if (text.starts_with("\xEF\xBB\xBF"))
        text.remove_prefix(3);
    Tree tree;
    bool sawHeader = false;
    std::optional<std::vector<std::string>> current;
    bool afterDeletion = false;
    size_t lineNumber = 0;
    while (!text.empty()) {
        size_t end = text.find('\n');
        std::string_view raw = text.substr(0, end);
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
        ++lineNumber;
        if (raw.find('\0') != std::string_view::npos)
            return ParseError{lineNumber, "zero byte in the text"};
        if (!raw.empty() && raw.back() == '\r')
            raw.remove_suffix(1);
        std::string_view line = Trim(raw);
        if (!sawHeader) {
            if (line.empty())
                continue;
            if (line != kHeader)
                return ParseError{lineNumber, "expected the header \"" + std::string(kHeader) + "\""};
            sawHeader = true;
            continue;
        }
        if (line.empty() || line[0] == ';')
            continue;
        if (line[0] == '[') {
            if (line.back() != ']')
                return ParseError{lineNumber, "a key line must end with ']'"};
            std::string_view inner = line.substr(1, line.size() - 2);
            bool deletion = !inner.empty() && inner[0] == '-';
            auto path = SplitPath(deletion ? inner.substr(1) : inner);
            if (!path)
                return ParseError{lineNumber, "unusable key path (it must start with a root such as HKEY_CLASSES_ROOT "
                                              "and have no empty names)"};
            if (deletion) {
                tree.Remove(*path);
                current.reset();
            } else {
                tree.Create(*path);
                current = std::move(path);
            }
            afterDeletion = deletion;
            continue;
        }
        if (line[0] == '@' || line[0] == '"') {
            if (!current)
                return ParseError{lineNumber, afterDeletion ? "a value under a deleted key" : "a value before any key"};
            if (auto problem = ParseValueLine(line, *tree.Find(*current)))
                return ParseError{lineNumber, *problem};
            continue;
        }
        return ParseError{lineNumber, "unrecognised line"};
    }
    return tree;
}

std::string Serialize(const Tree& tree)
{
    std::string out(kHeader);
    out += "\n\n";
    std::string path;
    for (const Key& root : tree.Top().children)
        SerializeKey(out, root, path, true);
    return out;
}

} // namespace Registry::detail
