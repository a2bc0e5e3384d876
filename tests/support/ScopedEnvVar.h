// Sets (or removes) an environment variable for one scope and puts back what
// was there before.
#pragma once

#include <cstdlib>
#include <optional>
#include <string>

namespace tstest {

class ScopedEnvVar {
public:
    ScopedEnvVar(std::string name, std::optional<std::string> value) : name_(std::move(name))
    {
        if (const char* old = std::getenv(name_.c_str()))
            old_ = old;
        Apply(value);
    }
    ~ScopedEnvVar() { Apply(old_); }
    ScopedEnvVar(const ScopedEnvVar&) = delete;
    ScopedEnvVar& operator=(const ScopedEnvVar&) = delete;

private:
    void Apply(const std::optional<std::string>& value)
    {
        if (value)
            setenv(name_.c_str(), value->c_str(), 1);
        else
            unsetenv(name_.c_str());
    }

    std::string name_;
    std::optional<std::string> old_;
};

} // namespace tstest
