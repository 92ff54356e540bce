#pragma once

#include <algorithm>
#include <cstddef>
#include <ostream>
#include <streambuf>
#include <string>
#include <utility>

// The in-memory receive stream of one page. It keeps at most `capacity`
// bytes and quietly drops the rest, so a server that sends without end can
// never make the crawl hold more than that of one page.
class TBodyStream : public std::ostream
{
public:
    explicit TBodyStream(std::size_t capacity);

    // The bytes kept so far.
    const std::string& Bytes() const { return m_buffer.bytes; }
    // Makes room for `size` bytes (at most the capacity) at once, so that a
    // body of a known length is not copied again and again as it grows.
    void Reserve(std::size_t size) { m_buffer.bytes.reserve(std::min(size, m_buffer.capacity)); }
    // The bytes kept so far, handed over whole; the stream is empty after.
    std::string Take() { return std::exchange(m_buffer.bytes, std::string()); }
    // Empties the stream and frees its memory.
    void Release() { std::string().swap(m_buffer.bytes); }

private:
    struct TBuffer : std::streambuf
    {
        std::streamsize xsputn(const char* data, std::streamsize count) override;
        int_type overflow(int_type ch) override;

        std::size_t capacity = 0;
        std::string bytes;
    };
    TBuffer m_buffer;
};
