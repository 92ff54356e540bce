#include "net/http/HttpRoute.h"

#include "net/http/UrlRoutines.h"
#include "platform/TextSearch.h"

namespace {

// The absolute URL of `path` on the route's server, naming its port when the
// URL did: a proxy must reach the same server the URL names.
std::string absoluteUrl(const std::string& scheme, const THttpRoute& route, const std::string& path)
{
    const std::string port = route.TargetPort.empty() ? "" : ":" + route.TargetPort;
    return scheme + "://" + route.TargetHost + port + path;
}

} // namespace

THttpRequestPlan PlanRequest(const std::string& url, const std::string& proxy,
    const std::string& proxyPort, const std::string& username, const std::string& password)
{
    THttpRequestPlan plan;
    const TUrlParts parts = SplitUrl(url);
    plan.Route.TargetHost = parts.Host;
    plan.Route.TargetPort = parts.Port;
    plan.Route.Secure = IsSecureScheme(parts.Scheme);
    plan.DocName = parts.Path;
    plan.Username = parts.User.empty() ? username : parts.User;
    plan.Password = parts.Password.empty() ? password : parts.Password;

    if (proxy.empty() || plan.Route.Secure) {
        // The server itself gets the path: directly, or inside the tunnel a
        // proxy opens to it.
        plan.Route.RequestPath = parts.Path;
        plan.Route.ConnectHost = parts.Host;
        plan.Route.ConnectPort = parts.Port.empty() ? DefaultPort(plan.Route.Secure) : parts.Port;
    } else {
        // The proxy gets the absolute URL, with the URL's own port when it names one.
        const std::string scheme = parts.Scheme.empty() ? "http" : parts.Scheme;
        plan.Route.RequestPath = absoluteUrl(scheme, plan.Route, parts.Path);
    }
    if (!proxy.empty()) {
        const TUrlParts proxyParts = SplitUrl(proxy);
        plan.Route.ConnectHost = proxyParts.Host;
        plan.Route.ConnectPort = proxyParts.Port.empty() ? proxyPort : proxyParts.Port;
    }
    if (plan.Route.RequestPath.empty())
        plan.Route.RequestPath = "/";
    plan.DocName = DeriveDocName(plan.DocName);
    return plan;
}

std::string DeriveDocName(const std::string& path)
{
    if (path.empty() || path == "/")
        return "document.htm";
    std::string name = path;
    if (name.back() == '/')
        name.pop_back();
    const auto slash = name.rfind('/');
    if (slash != std::string::npos)
        name = name.substr(slash + 1, 255);
    else
        name = name.substr(0, 255);
    const auto query = name.find('?');
    if (query != std::string::npos)
        name.erase(query);
    return name;
}

std::string DocNameForContentType(const std::string& docName, const std::string& contentType)
{
    const auto dot = docName.rfind('.');
    if (contentType != "text/html" || dot == std::string::npos)
        return docName;
    if (LowerCase(docName.substr(dot)) != ".exe")
        return docName;
    return ReplaceExt(docName, "htm");
}

bool IsUsableLocation(const std::string& location)
{
    for (const char c : location) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F)
            return false;
    }
    return true;
}

namespace {

// The parts of a relocation target. An empty path marks a relative name on
// the current server, which the splitter returns as a host. A target with no
// scheme is always such a name, even with a "/" inside ("sub/b.html" must not
// connect to a host "sub"); an absolute URL without a path ("http://host2")
// names that server's root.
TUrlParts splitLocation(const std::string& location)
{
    TUrlParts parts = SplitUrl(location);
    // "://" inside a query ("p?u=http://host3/") does not make a scheme.
    const bool schemeChars
        = parts.Scheme.find_first_not_of(
              "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+-.")
        == std::string::npos;
    if (parts.Scheme.empty() || !schemeChars) {
        parts = TUrlParts {};
        parts.Host = location;
        return parts;
    }
    if (parts.Path.empty() && !parts.Host.empty() && location.find("://") != std::string::npos)
        parts.Path = "/";
    return parts;
}

} // namespace

namespace {

// The route after `location` on a plain route through a proxy: the proxy
// always gets an absolute URL; relative targets are made absolute on the
// server requested so far.
THttpRoute relocatedThroughProxy(
    const THttpRoute& current, const std::string& location, const TUrlParts& parts)
{
    THttpRoute next = current;
    next.Secure = false;
    const std::string scheme = parts.Scheme.empty() ? "http" : parts.Scheme;
    if (parts.Path.empty()) {
        next.RequestPath = absoluteUrl(scheme, current, "/" + parts.Host);
    } else if (parts.Host.empty()) {
        next.RequestPath = absoluteUrl(scheme, current, parts.Path);
    } else {
        // Another server: later relative targets are resolved against it.
        next.RequestPath = SplitUrl(location).Path.empty() ? location + "/" : location;
        next.TargetHost = parts.Host;
        next.TargetPort = parts.Port;
    }
    return next;
}

// The route after `location` for a connection that reaches the server itself.
THttpRoute relocatedOnServer(
    const THttpRoute& current, const std::string& location, const TUrlParts& parts, bool secure)
{
    THttpRoute next = current;
    next.Secure = secure;
    if (!location.empty() && location[0] == '/') {
        next.RequestPath = location;
        return next;
    }
    const std::string scheme = !parts.Scheme.empty() ? parts.Scheme : secure ? "https" : "http";
    next.ConnectHost = parts.Host;
    next.RequestPath = parts.Path;
    if (!parts.Port.empty())
        next.ConnectPort = parts.Port;
    if (next.RequestPath.empty()) {
        // A bare relative name: asked for as an absolute URL on the same server.
        next.RequestPath = absoluteUrl(scheme, current, "/" + next.ConnectHost);
        next.ConnectHost = current.TargetHost;
    } else if (next.ConnectHost.empty()) {
        // The same server under the other scheme is reached at that scheme's port.
        if (secure != current.Secure) {
            next.TargetPort = parts.Port;
            next.ConnectPort = parts.Port.empty() ? DefaultPort(secure) : parts.Port;
        }
        next.RequestPath = absoluteUrl(scheme, next, next.RequestPath);
        next.ConnectHost = current.TargetHost;
    } else {
        // An absolute URL names its own server, and without a port that
        // server's port for the scheme, not the port of the server that relocated.
        next.TargetHost = next.ConnectHost;
        next.TargetPort = parts.Port;
        if (parts.Port.empty())
            next.ConnectPort = DefaultPort(secure);
    }
    return next;
}

} // namespace

THttpRoute RelocatedRoute(const THttpRoute& current, const std::string& location, bool viaProxy)
{
    const TUrlParts parts = splitLocation(location);
    // Only a target that names its scheme changes it ("/x" reads as http to
    // the splitter, but names none).
    const bool namesScheme = !parts.Scheme.empty() && (location.empty() || location[0] != '/');
    const bool secure = namesScheme ? IsSecureScheme(parts.Scheme) : current.Secure;
    if (!viaProxy)
        return relocatedOnServer(current, location, parts, secure);
    if (!secure)
        return relocatedThroughProxy(current, location, parts);
    // A secure target through a proxy: the server answers inside the tunnel,
    // so the request is the one a direct connection would make, while the
    // connection stays with the proxy.
    THttpRoute server = current;
    server.ConnectHost = current.TargetHost;
    server.ConnectPort
        = current.TargetPort.empty() ? DefaultPort(current.Secure) : current.TargetPort;
    THttpRoute next = relocatedOnServer(server, location, parts, true);
    next.ConnectHost = current.ConnectHost;
    next.ConnectPort = current.ConnectPort;
    return next;
}

std::string TunnelAuthority(const THttpRoute& route)
{
    return route.TargetHost + ":"
        + (route.TargetPort.empty() ? DefaultPort(true) : route.TargetPort);
}
