#pragma once

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

// Makes a folder refuse writes for the lifetime of the object. Plain
// permissions do not stop root, so as root the folder is made immutable.
class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(std::filesystem::path dir)
        : m_dir(std::move(dir))
    {
        if (::geteuid() == 0)
            m_ok = std::system(("chattr +i '" + m_dir.string() + "'").c_str()) == 0;
        else {
            std::filesystem::permissions(
                m_dir, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
            m_ok = true;
        }
    }
    ~ReadOnlyFolder()
    {
        if (::geteuid() == 0)
            (void)std::system(("chattr -i '" + m_dir.string() + "'").c_str());
        else
            std::filesystem::permissions(
                m_dir, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
    }
    ReadOnlyFolder(const ReadOnlyFolder&) = delete;
    ReadOnlyFolder& operator=(const ReadOnlyFolder&) = delete;

    // Whether the folder really refuses writes now.
    bool ok() const { return m_ok; }

private:
    std::filesystem::path m_dir;
    bool m_ok = false;
};
