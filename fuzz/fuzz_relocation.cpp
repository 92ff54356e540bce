// A request's route planned from a URL and a proxy, then moved by a chain of
// relocation targets the way the client follows them. The first input line is
// the URL, the second the proxy (empty: none), each further line a "location"
// value. For every usable target: the request target is never empty; no byte
// below 0x20 and no 0x7F reaches the route, so a server cannot add a line to
// the next request; through a proxy the connection stays with the proxy; a
// target starting with "/" changes only the request target; and the request
// target grows by no more than the location and the server it names.
#include "fuzz/FuzzCheck.h"
#include "net/http/HttpRoute.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// The most relocations one request follows.
constexpr std::size_t MaxRelocations = 20;

// The fields of the input, one a line: split at LF only and every field kept,
// an empty last one too, so that a CR stays in a location as a server could
// send it.
std::vector<std::string> inputFields(const std::string& text)
{
    std::vector<std::string> lines;
    std::size_t from = 0;
    while (from <= text.size()) {
        std::size_t end = text.find('\n', from);
        if (end == std::string::npos)
            end = text.size();
        lines.push_back(text.substr(from, end - from));
        from = end + 1;
    }
    return lines;
}

bool hasControlByte(const THttpRoute& route)
{
    for (const std::string* field : { &route.ConnectHost, &route.ConnectPort, &route.TargetHost,
             &route.RequestPath, &route.TargetPort }) {
        if (!IsUsableLocation(*field))
            return true;
    }
    return false;
}

void checkStep(const THttpRoute& current, const THttpRoute& next, const std::string& location,
    bool viaProxy, bool cleanStart)
{
    FUZZ_CHECK(!next.RequestPath.empty());
    if (cleanStart)
        FUZZ_CHECK(!hasControlByte(next));
    if (viaProxy) {
        FUZZ_CHECK(next.ConnectHost == current.ConnectHost);
        FUZZ_CHECK(next.ConnectPort == current.ConnectPort);
    } else if (!location.empty() && location[0] == '/') {
        FUZZ_CHECK(next.RequestPath == location);
        FUZZ_CHECK(next.ConnectHost == current.ConnectHost);
        FUZZ_CHECK(next.ConnectPort == current.ConnectPort);
        FUZZ_CHECK(next.TargetHost == current.TargetHost);
    }
    // "https" + "://" + ":" + "/" at most, around pieces of the location and
    // the current server's name and port.
    FUZZ_CHECK(next.RequestPath.size()
        <= location.size() + current.TargetHost.size() + current.TargetPort.size() + 10);
    // A secure route through a proxy asks the server itself, inside the tunnel.
    if (viaProxy && next.Secure && !location.empty() && location[0] == '/')
        FUZZ_CHECK(next.RequestPath == location);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<std::string> lines
        = inputFields(std::string(reinterpret_cast<const char*>(data), size));
    const std::string& url = lines[0];
    const std::string proxy = lines.size() > 1 ? lines[1] : std::string();
    const bool viaProxy = !proxy.empty();

    THttpRoute route = PlanRequest(url, proxy, "8080", "", "").Route;
    FUZZ_CHECK(!route.RequestPath.empty());
    const bool cleanStart = !hasControlByte(route);
    for (std::size_t i = 2; i < lines.size() && i < 2 + MaxRelocations; ++i) {
        const std::string& location = lines[i];
        // The client ignores an unusable target and ends the request there.
        if (!IsUsableLocation(location))
            break;
        const THttpRoute next = RelocatedRoute(route, location, viaProxy);
        checkStep(route, next, location, viaProxy, cleanStart);
        route = next;
    }
    return 0;
}
