#pragma once

#include <string>

// Where one HTTP request goes and what it asks for: pure computations over the
// URL, the proxy text and relocation targets, kept apart from the client's
// event code so they can be checked row by row.

// The connection end point and the request target of a request.
struct THttpRoute
{
    std::string ConnectHost; // the server, or the proxy
    std::string ConnectPort;
    std::string TargetHost; // the server's host name, sent in "Host: "
    std::string RequestPath; // what follows the method in the request line
    std::string TargetPort; // the server's port as the URL names it (may be empty)
    // An https:// URL: the server is reached over TLS, through a tunnel when
    // the connection goes to an HTTP proxy, and gets the path alone.
    bool Secure = false;

    bool operator==(const THttpRoute&) const = default;
};

// What a request's start derives from the client's properties.
struct THttpRequestPlan
{
    THttpRoute Route;
    std::string DocName;
    std::string Username; // the URL's user name, else the one given
    std::string Password; // the URL's password, else the one given
};

// Splits `url` (and `proxy` when it is not empty) into the route, the document
// name and the credentials; `proxyPort` is used when `proxy` names no port.
THttpRequestPlan PlanRequest(const std::string& url, const std::string& proxy,
    const std::string& proxyPort, const std::string& username, const std::string& password);

// The file name a request path stands for: "document.htm" for "" and "/",
// else the last segment (a trailing "/" ignored, at most 255 bytes) cut before "?".
std::string DeriveDocName(const std::string& path);

// `docName` with ".exe" (any letter case) turned into ".htm" when the content
// type is exactly "text/html"; otherwise unchanged.
std::string DocNameForContentType(const std::string& docName, const std::string& contentType);

// False for a location value that holds a byte below 0x20 or 0x7F: such a
// value could add a line to the next request and is ignored.
bool IsUsableLocation(const std::string& location);

// The route of the request that follows `location` from `current`; through a
// proxy the connection stays with the proxy and only the target changes. A
// target naming a scheme moves between plain and secure routes; one without
// keeps the current route's.
THttpRoute RelocatedRoute(const THttpRoute& current, const std::string& location, bool viaProxy);

// "host:port" of a secure route's server, as an HTTP proxy's tunnel names it.
std::string TunnelAuthority(const THttpRoute& route);
