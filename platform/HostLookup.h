#pragma once

#include <functional>
#include <string>
#include <vector>

class QObject;

// Asynchronous, cancellable host lookups on the calling thread's event loop.
// Results arrive later through the callback, never inside the starting call.
namespace HostLookup {

// Outcome of a lookup.
enum class Status { Ok, HostNotFound, OtherError };

// Callback: lookup id, status, the IPv4 addresses as dotted text in answer
// order (forward lookup) or the single host name (reverse lookup).
using Callback
    = std::function<void(int id, Status status, const std::vector<std::string>& results)>;

// Starts a forward lookup of `host`; the callback runs in `context`'s thread and
// is dropped when `context` is destroyed. Returns the lookup id (never negative).
int lookupHost(const std::string& host, QObject* context, Callback done);

// Starts a reverse lookup of the dotted address `addr`; otherwise as lookupHost.
int reverseLookup(const std::string& addr, QObject* context, Callback done);

// Cancels the lookup `id`; its callback will not run.
void abort(int id);

} // namespace HostLookup
