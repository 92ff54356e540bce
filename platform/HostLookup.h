#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

// Asynchronous, cancellable host lookups on the calling thread's event loop.
// Results arrive later through the callback, in the thread that started the
// lookup, never inside the starting call.
namespace HostLookup {

// Outcome of a lookup.
enum class Status { Ok, HostNotFound, OtherError };

// Callback: status, and the IPv4 addresses as dotted text in answer order
// (forward lookup) or the single host name (reverse lookup).
using Callback = std::function<void(Status status, const std::vector<std::string>& results)>;

// One lookup in progress. Its callback runs at most once, and never after
// cancel() or the end of the TLookup; assigning a new lookup cancels the old.
class TLookup
{
public:
    TLookup() = default;
    TLookup(TLookup&& other) noexcept = default;
    TLookup& operator=(TLookup&& other) noexcept;
    ~TLookup();
    TLookup(const TLookup&) = delete;
    TLookup& operator=(const TLookup&) = delete;

    // Started and neither completed nor cancelled.
    bool pending() const;
    // Drops the lookup: its callback will not run.
    void cancel();

private:
    struct State;
    friend TLookup lookupHost(const std::string& host, Callback done);
    friend TLookup reverseLookup(const std::string& addr, Callback done);

    std::shared_ptr<State> m_state;
};

// Starts a forward lookup of `host`.
TLookup lookupHost(const std::string& host, Callback done);

// Starts a reverse lookup of the dotted address `addr`.
TLookup reverseLookup(const std::string& addr, Callback done);

// Lookups not yet run out: each is counted from its start until the platform
// has answered it and let go of it, cancelled or not; then nothing of it is left.
int lookupsHeld();

} // namespace HostLookup
