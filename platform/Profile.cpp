#include "platform/Profile.h"

#include "platform/Errors.h"
#include "platform/TextFile.h"

std::string GetProfileString(const std::string& section, const std::string& key,
    const std::string& defaultValue, const std::string& path)
{
    std::optional<std::string> value;
    try {
        value = TIniFile::Read(path).Value(section, key);
    } catch (const EInOutError&) {
        // A file that cannot be read reads as a missing one.
    }
    return value ? std::move(*value) : defaultValue.substr(0, ProfileValueMax);
}

bool WriteProfileString(const std::string& section, const std::string& key,
    const std::string& value, const std::string& path)
{
    try {
        // A file that exists but cannot be read is never replaced by a write
        // that could not see what it held.
        TIniFile file = TIniFile::Read(path);
        if (!file.Set(section, key, value))
            return false;
        WriteFileAtomic(path, file.Text(), NewFileMode::OwnerOnly);
    } catch (const EInOutError&) {
        return false;
    }
    return true;
}
