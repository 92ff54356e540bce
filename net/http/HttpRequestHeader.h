#pragma once

#include "net/http/UrlRoutines.h"

#include <cstdint>
#include <string>
#include <vector>

// Assembly of a request header, a pure function of the request's values.

// Everything a request header is built from.
struct THttpRequestFields
{
    std::string Method; // "GET", "POST" or "HEAD"
    std::string RequestPath;
    std::string Version = "1.0";
    std::string Sender;
    std::string Reference;
    std::string ContentTypePost;
    std::string Agent;
    std::string TargetHost;
    bool NoCache = false;
    std::int64_t PostSize = 0; // size of the POST body stream
    TDateTime ModifiedSince = 0; // 0: no If-Modified-Since line
    std::string Username;
    std::string Password;
    std::string Proxy;
    std::string ProxyUsername;
    std::string ProxyPassword;
    std::string Cookie;
    // Asks the server to keep the connection open after the response:
    // "Connection: keep-alive" as the last line.
    bool KeepAlive = false;
};

// The header lines, without line ends and without the final empty line, in
// their fixed order; each optional line appears only under its condition.
std::vector<std::string> BuildRequestLines(const THttpRequestFields& f);

// The whole head of the request that asks an HTTP proxy for a tunnel to
// `authority` ("host:port"), with Basic credentials when `proxyUsername` is
// set; CR LF after each line and the empty line at the end.
std::string BuildConnectRequest(const std::string& authority, const std::string& agent,
    const std::string& proxyUsername, const std::string& proxyPassword);
