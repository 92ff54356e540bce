// A chunked body on arbitrary bytes, cut at every point the input's first
// byte chooses: the data handed on, where the decoder stops and whether it
// failed do not depend on the cut; every piece lies within what it took; a
// decoder that is done or failed takes nothing more. The head fields of a
// response, one per line, give a framing that keeps a connection only when
// the body's end is known.
#include "fuzz/FuzzCheck.h"
#include "net/http/ChunkedDecoder.h"
#include "net/http/ResponseFraming.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

struct Outcome
{
    std::string data;
    std::size_t used = 0;
    bool done = false;
    bool failed = false;

    bool operator==(const Outcome&) const = default;
};

Outcome decode(const std::string& input, std::size_t cut)
{
    TChunkedDecoder decoder;
    Outcome out;
    for (const std::string& part : { input.substr(0, cut), input.substr(cut) }) {
        std::size_t at = 0;
        while (at < part.size()) {
            const auto piece = decoder.Take(part.data() + at, part.size() - at);
            FUZZ_CHECK(piece.Used <= part.size() - at);
            FUZZ_CHECK(piece.DataLen == 0 || piece.DataFrom + piece.DataLen == piece.Used);
            out.data.append(part, at + piece.DataFrom, piece.DataLen);
            at += piece.Used;
            out.used += piece.Used;
            if (piece.Used == 0) {
                FUZZ_CHECK(decoder.Done() || decoder.Failed());
                break;
            }
        }
    }
    out.done = decoder.Done();
    out.failed = decoder.Failed();
    FUZZ_CHECK(!(out.done && out.failed));
    FUZZ_CHECK(out.data.size() <= out.used);
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const std::string input(reinterpret_cast<const char*>(data) + 1, size - 1);
    const Outcome whole = decode(input, input.size());
    FUZZ_CHECK(decode(input, data[0] % (input.size() + 1)) == whole);

    TResponseHead head;
    std::size_t from = 0;
    while (from < input.size()) {
        const std::size_t end = std::min(input.find('\n', from), input.size());
        head.Line(input.substr(from, end - from));
        from = end + 1;
    }
    const TResponseFraming framing = FrameResponse(head, 100 + data[0] % 500, false);
    FUZZ_CHECK(!framing.Reusable || framing.End != TBodyEnd::Close);
    FUZZ_CHECK(framing.End == TBodyEnd::Length || framing.Length == 0);
    FUZZ_CHECK(framing.Length >= 0);
    return 0;
}
