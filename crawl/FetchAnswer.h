#pragma once

#include "net/http/HttpProt.h"

#include <string>

// How one synchronous request of the HTTP client ended, read from its events:
// whether a server answered at all, and whether the final request of a chain
// of relocations got an answer that still stands when the request is over.
// The client reports a failure (no connection, no name, a bound, an abort) as
// status 404 with a reason of its own; only the status line read from the
// server tells such a 404 from a server's.
class TFetchAnswer
{
public:
    // A request starts.
    void Start() { *this = TFetchAnswer(); }
    // A response's status line has been read: the client holds its status.
    void StatusLine(const THttpCli& http)
    {
        m_any = m_final = true;
        m_status = http.StatusCode();
        m_reason = http.ReasonPhrase();
    }
    // A body starts: a response without a head (all body) is an answer too.
    void BodyBegins(const THttpCli& http)
    {
        if (!m_final)
            StatusLine(http);
    }
    // The client follows a relocation: the next request's answer is still to come.
    void Relocated() { m_final = false; }

    // True when some server answered during the request, relocations included.
    bool Any() const { return m_any; }
    // True when the request ended without its final answer standing: none
    // came, or a failure or bound ended the request after it.
    bool Failed(const THttpCli& http) const
    {
        return !m_final || http.StatusCode() != m_status || http.ReasonPhrase() != m_reason;
    }
    // The status of the last answer read; 0 when none came.
    int Status() const { return m_status; }

private:
    bool m_any = false;
    bool m_final = false;
    int m_status = 0;
    std::string m_reason;
};
