#pragma once

#include <cstdlib>
#include <optional>
#include <string>

// Sets an environment variable, or unsets it for nothing, for the lifetime of
// the object; the old value comes back afterwards.
class EnvScope
{
public:
    EnvScope(const char* name, const std::optional<std::string>& value)
        : m_name(name)
        , m_old(std::getenv(name) ? std::optional<std::string>(std::getenv(name)) : std::nullopt)
    {
        set(value);
    }
    ~EnvScope() { set(m_old); }
    EnvScope(const EnvScope&) = delete;
    EnvScope& operator=(const EnvScope&) = delete;

private:
    void set(const std::optional<std::string>& value) const
    {
        value ? ::setenv(m_name, value->c_str(), 1) : ::unsetenv(m_name);
    }

    const char* m_name;
    std::optional<std::string> m_old;
};
