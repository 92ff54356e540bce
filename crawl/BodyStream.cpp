#include "crawl/BodyStream.h"

#include <algorithm>

TBodyStream::TBodyStream(std::size_t capacity)
    : std::ostream(nullptr)
{
    m_buffer.capacity = capacity;
    rdbuf(&m_buffer);
}

std::streamsize TBodyStream::TBuffer::xsputn(const char* data, std::streamsize count)
{
    const std::size_t room = capacity - std::min(capacity, bytes.size());
    bytes.append(data, std::min(room, static_cast<std::size_t>(count)));
    // Dropped bytes count as written: the stream stays good for the client.
    return count;
}

TBodyStream::int_type TBodyStream::TBuffer::overflow(int_type ch)
{
    if (traits_type::eq_int_type(ch, traits_type::eof()))
        return traits_type::not_eof(ch);
    const char c = traits_type::to_char_type(ch);
    xsputn(&c, 1);
    return ch;
}
