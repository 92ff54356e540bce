#include "net/http/HttpRcvBuffer.h"

#include <cstring>

void THttpRcvBuffer::Commit(int n)
{
    m_count += n;
    m_data[m_count] = 0;
}

bool THttpRcvBuffer::TakeLine(std::string& line)
{
    const void* lf = std::memchr(m_data.data(), '\n', m_count);
    if (!lf)
        return false;
    const int lfPos = static_cast<int>(static_cast<const char*>(lf) - m_data.data());
    int len = lfPos;
    if (len > 0 && m_data[len - 1] == '\r')
        --len;
    line.assign(m_data.data(), len);
    const int rest = m_count - lfPos - 1;
    std::memmove(m_data.data(), m_data.data() + lfPos + 1, rest);
    m_count = rest;
    m_data[m_count] = 0;
    return true;
}

void THttpRcvBuffer::Clear()
{
    m_count = 0;
    m_data[0] = 0;
}
