// The registry: a text file in the .reg export format.
//
// The user's file is $TESSALY_REGISTRY when set, otherwise
// ${XDG_CONFIG_HOME:-$HOME/.config}/tessaly/registry.reg; look-ups fall back
// to /etc/tessaly/registry.reg. Key paths are written with backslashes and a
// root such as HKEY_CLASSES_ROOT or HKEY_LOCAL_MACHINE; key and value names
// compare without regard to case; "" names a key's default value (@).
// Writes go to the user's file, atomically (temporary file then rename) under
// an advisory lock, so concurrent writers lose nothing.
//
// $TESSALY_SYSTEM_REGISTRY, when set, replaces the system file's path (tests
// use it to keep a machine's own /etc file out of their way).
//
// The file is UTF-8 text. Besides the format's \\ and \" escapes, strings
// may hold \n and \r for line breaks. Only string (="...") and dword:
// values are understood; [-KEY] and "Name"=- deletions are honoured. A file
// with anything else is malformed: look-ups see nothing of it and updates
// refuse to rewrite it.
#pragma once

#include "platform/Types.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Registry {

std::string UserFilePath();
std::string SystemFilePath();

// A string value, or nullopt when the key or value is missing. A missing or
// unreadable file reads as empty; a malformed one too, and is left untouched.
std::optional<std::string> GetString(std::string_view keyPath, std::string_view valueName = "");
bool KeyExists(std::string_view keyPath);
std::vector<std::string> SubKeys(std::string_view keyPath);

// Why the file at `path` cannot be used ("line 7: ..."), or nullopt when it
// parses or does not exist. For tools that tell a person what to fix.
std::optional<std::string> FileProblem(const std::string& path);

// The edits one update applies, in order.
class Edit {
public:
    virtual void SetString(std::string_view keyPath, std::string_view valueName, std::string_view value) = 0;
    virtual void SetDword(std::string_view keyPath, std::string_view valueName, DWORD value) = 0;
    virtual void CreateKey(std::string_view keyPath) = 0;
    virtual void DeleteValue(std::string_view keyPath, std::string_view valueName) = 0;
    // Removes the key with all its subkeys.
    virtual void DeleteTree(std::string_view keyPath) = 0;
    // Removes the key when it has neither values nor subkeys.
    virtual void DeleteKeyIfEmpty(std::string_view keyPath) = 0;

protected:
    ~Edit() = default;
};

// Reads the user's file under its lock, applies `edits`, and writes it back
// atomically. A malformed file is not overwritten: the update fails with
// REGDB_E_READREGDB; a write failure gives REGDB_E_WRITEREGDB. An edit with
// an unusable key path, or a name or value holding a zero character, makes
// the whole update fail with E_INVALIDARG and nothing is written.
HRESULT Update(const std::function<void(Edit&)>& edits);

} // namespace Registry
