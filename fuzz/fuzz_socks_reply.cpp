// The three SOCKS reply readers and the reader of an HTTP proxy's answer to
// CONNECT on arbitrary bytes, fed whole and in two pieces: a reply is judged
// the same however it arrives, Done never claims more bytes than it was
// given, and a finished connect reply ignores what follows it.
#include "fuzz/FuzzCheck.h"
#include "net/socket/SocksProtocol.h"
#include "net/socket/TunnelReply.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace {

using Reader = TSocksReply (*)(std::string_view);

bool same(const TSocksReply& a, const TSocksReply& b)
{
    return a.Status == b.Status && a.Error == b.Error && a.ErrorText == b.ErrorText
        && a.Used == b.Used && a.Method == b.Method && a.BoundAddr == b.BoundAddr
        && a.BoundPort == b.BoundPort && a.Needed == b.Needed;
}

void check(Reader read, std::string_view bytes, std::size_t cut, bool keepsWhatFollows)
{
    const TSocksReply whole = read(bytes);
    FUZZ_CHECK(whole.Used <= bytes.size());
    FUZZ_CHECK((whole.Status == TSocksReplyStatus::Done) == (whole.Used > 0));
    FUZZ_CHECK((whole.Status == TSocksReplyStatus::Failed) == (whole.Error != 0));
    FUZZ_CHECK(whole.Status != TSocksReplyStatus::Failed || !whole.ErrorText.empty());

    // A beginning that the reader refused is refused the same with more bytes
    // after it; an accepted one too, but for the two-byte replies, which
    // refuse a third byte.
    const TSocksReply first = read(bytes.substr(0, cut));
    if (first.Status == TSocksReplyStatus::Failed)
        FUZZ_CHECK(same(first, whole));
    if (first.Status == TSocksReplyStatus::Done && keepsWhatFollows)
        FUZZ_CHECK(same(first, whole));
    // What an unfinished reply asks for is more than it has and never reaches
    // past the reply's end.
    if (first.Status == TSocksReplyStatus::Incomplete) {
        FUZZ_CHECK(first.Needed > cut);
        if (whole.Status == TSocksReplyStatus::Done)
            FUZZ_CHECK(first.Needed <= whole.Used);
    }
    if (whole.Status == TSocksReplyStatus::Done) {
        FUZZ_CHECK(same(read(bytes.substr(0, whole.Used)), whole));
        if (whole.Used > 0)
            FUZZ_CHECK(
                read(bytes.substr(0, whole.Used - 1)).Status == TSocksReplyStatus::Incomplete);
    }
    if (whole.Status == TSocksReplyStatus::Done && !whole.BoundPort.empty())
        FUZZ_CHECK(std::stoul(whole.BoundPort) <= 65535);
}

// The answer to CONNECT: a beginning judged open or refused is judged the
// same with anything after it, and an open tunnel's head lies within the bytes.
void checkTunnel(std::string_view bytes, std::size_t cut)
{
    const TTunnelReply whole = ParseTunnelReply(bytes);
    FUZZ_CHECK(whole.Used <= bytes.size());
    FUZZ_CHECK((whole.Status == TTunnelReplyStatus::Open) == (whole.Used > 0));
    FUZZ_CHECK((whole.Status == TTunnelReplyStatus::Refused) == !whole.ErrorText.empty());
    const TTunnelReply first = ParseTunnelReply(bytes.substr(0, cut));
    if (first.Status != TTunnelReplyStatus::Incomplete) {
        FUZZ_CHECK(first.Status == whole.Status);
        FUZZ_CHECK(first.Used == whole.Used);
        FUZZ_CHECK(first.ErrorText == whole.ErrorText);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size < 1)
        return 0;
    const std::string_view bytes(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t cut = bytes.empty() ? 0 : data[0] % (bytes.size() + 1);
    check(ParseSocksMethodReply, bytes, cut, false);
    check(ParseSocksAuthReply, bytes, cut, false);
    check(ParseSocksConnectReply, bytes, cut, true);
    checkTunnel(bytes, cut);

    // The connect request built for any name holds it unchanged.
    const std::string host(bytes.substr(0, 300 < bytes.size() ? 300 : bytes.size()));
    const auto request = SocksConnectRequest(host, static_cast<std::uint16_t>(size));
    FUZZ_CHECK(request.has_value() == (!host.empty() && host.size() <= 255));
    if (request) {
        FUZZ_CHECK(request->size() == 7 + host.size());
        FUZZ_CHECK(static_cast<unsigned char>((*request)[4]) == host.size());
        FUZZ_CHECK(request->substr(5, host.size()) == host);
    }
    return 0;
}
