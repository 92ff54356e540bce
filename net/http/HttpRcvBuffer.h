#pragma once

#include <array>
#include <string>

// The client's one receive buffer, 8,193 bytes: at most 8,192 bytes of data and
// a 0 byte always after them, so a body chunk handed to OnDocData straight from
// the buffer also reads as a terminated string. Filled by the socket and
// emptied line by line or as a whole body chunk; a header line that does not
// fit is "HTTP line too long".
class THttpRcvBuffer
{
public:
    static constexpr int Capacity = 8192;

    // Bytes held now.
    int Count() const { return m_count; }
    bool Full() const { return m_count >= Capacity; }
    // Where the next received bytes go, and how many fit.
    char* WritePos() { return m_data.data() + m_count; }
    int Space() const { return Capacity - m_count; }
    // Accounts for `n` bytes just written at WritePos.
    void Commit(int n);
    // The bytes held (valid until the next change).
    char* Data() { return m_data.data(); }
    // Takes the first line (without LF and a CR before it) out of the buffer;
    // false, leaving the buffer alone, when no LF is held.
    bool TakeLine(std::string& line);
    void Clear();

private:
    std::array<char, Capacity + 1> m_data {};
    int m_count = 0;
};
