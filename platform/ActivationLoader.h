// Loading module files with dlopen, shared by activation, registration and
// LoadRegTypeLib. Internal to the platform.
#pragma once

#include <optional>
#include <string>
#include <utility>

namespace activation_detail {

// The absolute path of a module file with every link resolved, or nullopt
// when there is no such file.
std::optional<std::string> ResolveModulePath(const std::string& path);

// Notes why a module did not load, for LastModuleLoadError().
void SetModuleLoadError(std::string text);

// One dlopen reference, closed on destruction.
class ModuleHandle {
public:
    ModuleHandle() = default;
    // dlopen(RTLD_NOW | RTLD_LOCAL); empty on failure (the reason is noted).
    static ModuleHandle Open(const std::string& realPath);
    ModuleHandle(ModuleHandle&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    ModuleHandle& operator=(ModuleHandle&& other) noexcept
    {
        std::swap(handle_, other.handle_);
        return *this;
    }
    ~ModuleHandle();

    explicit operator bool() const { return handle_ != nullptr; }
    // The export's address, or null (the reason is noted).
    void* Symbol(const char* name) const;

private:
    void* handle_ = nullptr;
};

} // namespace activation_detail
