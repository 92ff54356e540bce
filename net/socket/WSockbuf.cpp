#include "net/socket/WSockbuf.h"

#include <algorithm>
#include <cstring>
#include <utility>

TBuffer::TBuffer(int size)
{
    SetBufSize(size);
}

int TBuffer::Write(const void* data, int len)
{
    const int count = std::clamp(len, 0, BufSize() - m_wrCount);
    if (count > 0)
        std::memcpy(m_data.get() + m_wrCount, data, static_cast<size_t>(count));
    m_wrCount += count;
    return count;
}

const char* TBuffer::Peek(int& len) const
{
    len = m_wrCount - m_rdCount;
    return len > 0 ? m_data.get() + m_rdCount : nullptr;
}

int TBuffer::Remove(int n)
{
    const int count = std::clamp(n, 0, m_wrCount - m_rdCount);
    m_rdCount += count;
    if (m_rdCount >= m_wrCount)
        m_rdCount = m_wrCount = 0;
    return count;
}

void TBuffer::SetBufSize(int size)
{
    if (size <= 0)
        size = DefaultSize;
    // Never cut off written bytes: the block keeps at least what it holds.
    size = std::max(size, m_wrCount);
    if (size == m_size)
        return;
    auto area = std::make_unique_for_overwrite<char[]>(static_cast<size_t>(size));
    if (m_wrCount > 0)
        std::memcpy(area.get(), m_data.get(), static_cast<size_t>(m_wrCount));
    m_data = std::move(area);
    m_size = size;
}
