#include "crawl/ClientSetup.h"

#include "net/http/HttpProt.h"
#include "settings/Settings.h"

#include <string>

void ApplyConnectionSettings(THttpCli& http, const TSettings& settings, const TTlsContext* tls)
{
    http.TlsContext = tls;
    if (settings.proxyEnabled == 1) {
        http.Proxy = settings.proxyAddress;
        http.ProxyPort = std::to_string(settings.proxyPort);
        http.ProxyUsername = settings.proxyName;
        http.ProxyPassword = settings.proxyPassword;
    } else {
        http.ProxyPort = "80";
        http.Proxy.clear();
    }
    // An empty SOCKS server is a direct connection (to the HTTP proxy, if set).
    http.SocksServer = settings.socksServer;
    http.SocksPort = std::to_string(settings.socksPort);
    http.SocksUsercode = settings.socksUser;
    http.SocksPassword = settings.socksPassword;
}
