#pragma once

class THttpCli;
class TTlsContext;
struct TSettings;

// Sets up `http` to reach the web as the settings say: directly or through
// the HTTP proxy, the SOCKS proxy or both, https:// URLs over TLS with `tls`
// (null: HTTPS is off, and such URLs are refused). Every request of the
// crawl, the pages' and the robots.txt files', is made so.
void ApplyConnectionSettings(THttpCli& http, const TSettings& settings, const TTlsContext* tls);
