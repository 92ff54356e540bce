#include "net/http/HttpRequestHeader.h"

std::vector<std::string> BuildRequestLines(const THttpRequestFields& f)
{
    std::vector<std::string> lines;
    const bool post = f.Method == "POST";
    lines.push_back(f.Method + " " + f.RequestPath + " HTTP/" + f.Version);
    if (!f.Sender.empty())
        lines.push_back("From: " + f.Sender);
    if (!f.Reference.empty())
        lines.push_back("Referer: " + f.Reference);
    if (post && !f.ContentTypePost.empty())
        lines.push_back("Content-Type: " + f.ContentTypePost);
    if (!f.Agent.empty())
        lines.push_back("User-Agent: " + f.Agent);
    lines.push_back("Host: " + f.TargetHost);
    if (f.NoCache)
        lines.push_back("Pragma: no-cache");
    if (post)
        lines.push_back("Content-Length: " + std::to_string(f.PostSize));
    // The stored date is sent as it is and labelled GMT.
    if (f.ModifiedSince != 0)
        lines.push_back("If-Modified-Since: " + HttpDateText(f.ModifiedSince) + " GMT");
    if (!f.Username.empty())
        lines.push_back("Authorization: Basic " + EncodeBase64(f.Username + ":" + f.Password));
    if (!f.Proxy.empty() && !f.ProxyUsername.empty())
        lines.push_back(
            "Proxy-Authorization: Basic " + EncodeBase64(f.ProxyUsername + ":" + f.ProxyPassword));
    if (!f.Cookie.empty())
        lines.push_back("Cookie: " + f.Cookie);
    // Redundant for an HTTP/1.1 server, but an HTTP/1.0 server or proxy keeps
    // the connection only when asked.
    if (f.KeepAlive)
        lines.push_back("Connection: keep-alive");
    return lines;
}

std::string BuildConnectRequest(const std::string& authority, const std::string& agent,
    const std::string& proxyUsername, const std::string& proxyPassword)
{
    std::string head = "CONNECT " + authority + " HTTP/1.0\r\n";
    if (!agent.empty())
        head += "User-Agent: " + agent + "\r\n";
    head += "Host: " + authority + "\r\n";
    if (!proxyUsername.empty())
        head += "Proxy-Authorization: Basic " + EncodeBase64(proxyUsername + ":" + proxyPassword)
            + "\r\n";
    return head + "\r\n";
}
