#include "platform/FileStamp.h"

#include <sys/stat.h>

std::optional<TFileStamp> FileStampOf(const std::string& path)
{
    struct stat st
    { };
    if (::stat(path.c_str(), &st) != 0)
        return std::nullopt;
    return TFileStamp { static_cast<std::uint64_t>(st.st_dev),
        static_cast<std::uint64_t>(st.st_ino), static_cast<std::uint64_t>(st.st_size),
        st.st_mtim.tv_sec, st.st_mtim.tv_nsec };
}
