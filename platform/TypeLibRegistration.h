// The registry entries of a type library, as edits that module registration
// folds into its own single update. Internal to the platform.
#pragma once

#include "platform/Registry.h"
#include "platform/TypeDescription.h"

#include <string>

namespace typelib_registration {

// "HKEY_CLASSES_ROOT\TypeLib\{libid}"
std::string LibraryKey(REFGUID libid);
// "<major>.<minor>" in hexadecimal, as the platform spells versions.
std::string VersionName(WORD major, WORD minor);

void AddEntries(Registry::Edit& edit, const TypeLibDescription& library, const std::string& modulePath);
void RemoveEntries(Registry::Edit& edit, const TypeLibDescription& library);

} // namespace typelib_registration
