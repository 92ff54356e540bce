#pragma once

#include <cstddef>
#include <cstdint>

// The body of a response sent with "Transfer-Encoding: chunked", taken apart
// as it arrives: each chunk's size line (hexadecimal, extensions ignored), its
// data and the line end after it, then the last chunk of size 0 and the
// trailer lines up to the empty line. The state is kept byte by byte, so the
// bytes may come cut anywhere; nothing is copied.
class TChunkedDecoder
{
public:
    // The longest size line (with its extensions) or trailer line taken; a
    // longer one is a fault, so a server cannot stream an endless line.
    static constexpr std::size_t MaxLineBytes = 4096;

    // What one call took.
    struct TPiece
    {
        std::size_t Used = 0; // bytes of the input taken, the data included
        std::size_t DataFrom = 0; // where the body data of this piece starts in the input
        std::size_t DataLen = 0; // how many bytes of body data it holds (0: none)
    };

    // Takes bytes of `data` up to the end of the next run of body data, or
    // all of them when none comes; nothing once Done or Failed.
    TPiece Take(const char* data, std::size_t len);

    // The empty line after the last chunk has been taken: the body is whole.
    bool Done() const { return m_state == TState::Done; }
    // The bytes are not a chunked body (a size that is not hexadecimal or
    // too large, a missing line end after a chunk, a line past MaxLineBytes).
    bool Failed() const { return m_state == TState::Failed; }

private:
    enum class TState : std::uint8_t {
        Size, // the size's digits
        SizeLineRest, // extensions, up to LF
        Data,
        DataCr, // the CR after a chunk's data
        DataLf, // the LF after it
        TrailerStart, // the start of a trailer line, or of the empty line
        TrailerLine,
        TrailerLf, // the LF of the empty line
        Done,
        Failed
    };

    // Takes one byte outside the chunks' data.
    void Step(char c);
    void EndSizeLine();
    void Fail() { m_state = TState::Failed; }

    TState m_state = TState::Size;
    std::uint64_t m_size = 0; // of the chunk whose size line is read
    int m_digits = 0;
    std::uint64_t m_left = 0; // data bytes left of the current chunk
    std::size_t m_lineBytes = 0;
};
