#include "crawl/FileMirror.h"

void TFileMirror::Note(const std::string& path, std::uint64_t size)
{
    m_stamp = FileStampOf(path);
    if (m_stamp && m_stamp->size != size)
        m_stamp.reset();
}

bool TFileMirror::Current(const std::string& path) const
{
    return m_stamp && FileStampOf(path) == m_stamp;
}
