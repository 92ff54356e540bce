#pragma once

#include <cstddef>
#include <memory>

// One send block of the socket's outgoing chain: a fixed-size byte area with
// a write count and a read count.
class TBuffer
{
public:
    static constexpr int DefaultSize = 1514;

    // A block of `size` bytes (DefaultSize when size <= 0).
    explicit TBuffer(int size = DefaultSize);

    // Copies as much of `data` as fits after the written bytes; returns that count.
    int Write(const void* data, int len);

    // The unsent bytes: sets `len` to their number and returns them (nullptr, 0 if none).
    const char* Peek(int& len) const;

    // Marks up to `n` unsent bytes as sent; returns how many. A drained block
    // starts again from its beginning.
    int Remove(int n);

    // Resizes the area (DefaultSize when size <= 0), keeping the written bytes.
    void SetBufSize(int size);

    int BufSize() const { return m_size; }
    // Number of written bytes not yet sent.
    int Unsent() const { return m_wrCount - m_rdCount; }

private:
    // Left uninitialised: only written bytes are ever read.
    std::unique_ptr<char[]> m_data;
    int m_size = 0;
    int m_wrCount = 0;
    int m_rdCount = 0;
};
