#include "net/http/ChunkedDecoder.h"

#include <algorithm>

namespace {

// A chunk larger than this is refused rather than counted: no page comes
// near it, and its size then fits every counter on the way.
constexpr std::uint64_t MaxChunkSize = std::uint64_t { 1 } << 48;

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

} // namespace

TChunkedDecoder::TPiece TChunkedDecoder::Take(const char* data, std::size_t len)
{
    TPiece piece;
    while (piece.Used < len) {
        if (m_state == TState::Done || m_state == TState::Failed)
            break;
        if (m_state == TState::Data) {
            const auto n
                = static_cast<std::size_t>(std::min<std::uint64_t>(m_left, len - piece.Used));
            piece.DataFrom = piece.Used;
            piece.DataLen = n;
            piece.Used += n;
            m_left -= n;
            if (m_left == 0)
                m_state = TState::DataCr;
            break;
        }
        Step(data[piece.Used]);
        ++piece.Used;
    }
    return piece;
}

void TChunkedDecoder::Step(char c)
{
    switch (m_state) {
    case TState::Size: {
        const int digit = hexValue(c);
        if (digit >= 0) {
            m_size = m_size * 16 + static_cast<std::uint64_t>(digit);
            ++m_digits;
            ++m_lineBytes;
            if (m_size > MaxChunkSize)
                Fail();
            return;
        }
        if (m_digits == 0) {
            Fail();
            return;
        }
        m_state = TState::SizeLineRest;
        Step(c);
        return;
    }
    case TState::SizeLineRest:
        // Extensions (";name=value") and the CR are passed over up to the LF.
        if (c == '\n') {
            EndSizeLine();
            return;
        }
        if (++m_lineBytes > MaxLineBytes)
            Fail();
        return;
    case TState::DataCr:
        // A bare LF is taken as the line end too.
        if (c == '\r')
            m_state = TState::DataLf;
        else if (c == '\n')
            m_state = TState::Size;
        else
            Fail();
        return;
    case TState::DataLf:
        if (c == '\n')
            m_state = TState::Size;
        else
            Fail();
        return;
    case TState::TrailerStart:
        m_lineBytes = 0;
        if (c == '\r')
            m_state = TState::TrailerLf;
        else if (c == '\n')
            m_state = TState::Done;
        else
            m_state = TState::TrailerLine;
        return;
    case TState::TrailerLine:
        if (c == '\n')
            m_state = TState::TrailerStart;
        else if (++m_lineBytes > MaxLineBytes)
            Fail();
        return;
    case TState::TrailerLf:
        if (c == '\n')
            m_state = TState::Done;
        else
            Fail();
        return;
    case TState::Data:
    case TState::Done:
    case TState::Failed:
        return;
    }
}

void TChunkedDecoder::EndSizeLine()
{
    m_left = m_size;
    m_state = m_size == 0 ? TState::TrailerStart : TState::Data;
    m_size = 0;
    m_digits = 0;
    m_lineBytes = 0;
}
