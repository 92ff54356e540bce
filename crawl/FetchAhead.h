#pragma once

#include "page/LinkState.h"

#include <deque>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class TCrawlFrontEnd;
class TPageFetch;
class TTlsContext;
struct TCrawlState;
struct TSettings;

// The pages right behind the head of the queue, fetched ahead of their turn,
// each over a fetch (a client) of its own, while the page at the head is
// fetched and processed. A fetch is handed to the run when its page reaches
// the head, and only then does anything of it reach the front end, the state
// or a file. The fetches of pages that never reach the head in this run (Stop,
// an abandon, an error that ends it) are dropped, their bodies never written.
class TFetchAhead
{
public:
    // The fetches are made as the run's own (see TPageFetch); the arguments
    // must outlive the object.
    TFetchAhead(TCrawlFrontEnd& frontEnd, TCrawlState& state,
        std::function<void(const std::string&)> showStatus);
    ~TFetchAhead();
    TFetchAhead(const TFetchAhead&) = delete;
    TFetchAhead& operator=(const TFetchAhead&) = delete;

    // Starts the fetches of the entries of `queue` after its head, up to
    // `connections` - 1 of them, that are not started yet and that `mayFetch`
    // allows. An entry whose request cannot start is left to its turn.
    void Fill(const TUrlQueue& queue, int connections,
        const std::function<bool(const std::string&)>& mayFetch, const TSettings& settings,
        const TTlsContext* tls);
    // The fetch of the queue's head `url` if it was started ahead (it may
    // still be in progress; TPageFetch::Finish ends it); null otherwise.
    std::unique_ptr<TPageFetch> TakeHead(const std::string& url);
    // The queue has lost its head.
    void HeadLeft();
    // A fetch that is done with its page, kept for a later one with the
    // connection it holds.
    void GiveBack(std::unique_ptr<TPageFetch> fetch);
    // Ends every fetch in progress at once; nothing of them is kept.
    void Drop();
    // Ends the fetches of `site`'s pages (a SiteKey); they are fetched again
    // in their turn.
    void DropSite(const std::string& site);
    // Closes the connections the idle fetches hold.
    void DropConnections();

private:
    // An idle fetch, one that last fetched from `url`'s site if there is
    // one (its connection may be kept), a new one if none is idle.
    std::unique_ptr<TPageFetch> IdleFetch(const std::string& url);

    TCrawlFrontEnd& m_frontEnd;
    TCrawlState& m_state;
    std::function<void(const std::string&)> m_showStatus;
    // m_window[i] fetches the queue's entry i; null where none was started.
    std::deque<std::unique_ptr<TPageFetch>> m_window;
    std::vector<std::unique_ptr<TPageFetch>> m_idle;
};
